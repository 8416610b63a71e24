#!/usr/bin/env bash
# The README's GNU parallel line, run as written over a generated tree: the
# list of files split among jobs, each reading its part with --files-from -.
# Their destinations together must be one whole run's.
# Arguments: the built velmorant-cli and a recording to copy.
set -euo pipefail
cli=$1 sample=$2
source "$(dirname "$0")/recipe_tree.sh"
command -v parallel >/dev/null || skip "GNU parallel is not installed (Debian: parallel)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PARALLEL_HOME="$work/parallel"
mkdir -p "$PARALLEL_HOME" && touch "$PARALLEL_HOME/will-cite"
PATH="$(dirname "$cli"):$PATH"
export PATH
cd "$work"
make_tree "$sample" rec
mkdir out

find rec -iname '*.edf' -printf '%P\0' \
    | timeout 120 parallel --pipe --recend '\0' -N 7 \
        velmorant-cli --skip-existing --files-from - --from0 --folder rec out >jobs.out

same_as_whole_run "$cli" rec out
# Six jobs, each with its part: every file repaired once.
[[ $(grep -c '^repaired: ' jobs.out) -eq 40 && $(grep -c ' files repaired$' jobs.out) -eq 6 ]]
