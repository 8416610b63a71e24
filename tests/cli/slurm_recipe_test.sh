#!/usr/bin/env bash
# The README's Slurm job array, submitted to a one-node Slurm started here
# (munged, slurmctld and slurmd with a generated slurm.conf, their own
# sockets, ports and folders) as 4 tasks over a generated tree. Their
# destinations together must be one whole run's, each file repaired once.
# Skipped where Slurm cannot start; the daemons are stopped by process id
# whatever happens, and every wait is bounded.
# Arguments: the built velmorant-cli, a recording to copy, the job script.
set -euo pipefail
cli=$1 sample=$2 job=$3
source "$(dirname "$0")/recipe_tree.sh"
export PATH="$PATH:/usr/sbin:/sbin"
[[ $(id -u) -eq 0 ]] || skip "starting slurmd needs root"
for program in munged mungekey munge slurmctld slurmd sbatch sinfo; do
    command -v "$program" >/dev/null \
        || skip "$program is not installed (Debian: slurmctld slurmd slurm-client munge)"
done

work=$(mktemp -d)
chmod 711 "$work" # munged wants its socket's folders searchable by all
daemons=()
stop_daemons() {
    local pid i
    for pid in "${daemons[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${daemons[@]}"; do
        for ((i = 0; i < 50; i++)); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.2
        done
        kill -9 "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap stop_daemons EXIT
trap 'exit 1' INT TERM HUP

# Two ports nothing listens on, so that runs beside each other never meet.
free_port() {
    local port
    while :; do
        port=$((20000 + RANDOM % 30000))
        (echo >"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
    done
}
controller_port=$(free_port)
node_port=$(free_port)
[[ $node_port != "$controller_port" ]] || node_port=$((controller_port + 1))

# Tries the command after $1 until it succeeds, for $1 seconds at most (and
# the 5 s one try may take).
within() {
    local deadline=$((SECONDS + $1))
    shift
    until timeout 5 "$@" >/dev/null 2>&1; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

mkdir -p "$work/munge" "$work/state" "$work/spool"
mungekey --create --keyfile="$work/munge/key"
socket="$work/munge/socket"
munged --foreground --socket="$socket" --key-file="$work/munge/key" \
    --pid-file="$work/munge/pid" --seed-file="$work/munge/seed" \
    --log-file="$work/munge/log" 2>"$work/munged.err" &
daemons+=($!)
within 10 munge --socket="$socket" --no-input \
    || skip "munged did not start within 10 s: $(tail -n 2 "$work/munged.err")"

node=$(hostname -s)
export SLURM_CONF="$work/slurm.conf"
cat >"$SLURM_CONF" <<CONF
ClusterName=velmorant-test
SlurmctldHost=$node(127.0.0.1)
SlurmctldPort=$controller_port
SlurmdPort=$node_port
SlurmUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$socket
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
ReturnToService=2
NodeName=$node NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=test Nodes=ALL Default=YES MaxTime=INFINITE State=UP
CONF
slurmctld -D -f "$SLURM_CONF" >"$work/slurmctld.log" 2>&1 &
daemons+=($!)
slurmd -D -f "$SLURM_CONF" >"$work/slurmd.log" 2>&1 &
daemons+=($!)
node_idle() { [[ $(sinfo --noheader --format=%T) == idle ]]; }
export -f node_idle
within 30 bash -c node_idle || skip "Slurm's node was not idle within 30 s:
$(tail -n 3 "$work/slurmctld.log" "$work/slurmd.log")"

make_tree "$sample" "$work/in"
mkdir "$work/out"
VELMORANT_CLI="$cli" timeout 180 sbatch --wait --quiet --array=1-4 --chdir="$work" \
    "$job" "$work/in" "$work/out"

same_as_whole_run "$cli" "$work/in" "$work/out"
# Four tasks, four logs, each file repaired by one of them.
logs=("$work"/velmorant-*.log)
[[ ${#logs[@]} -eq 4 && $(cat "${logs[@]}" | grep -c '^repaired: ') -eq 40 ]]
