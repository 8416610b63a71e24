#!/usr/bin/env bash
# Repairs every *.edf below SOURCE_DIR into DESTINATION_DIR as a Slurm job
# array, each task its own share of the files:
#
#     sbatch --array=1-64%16 scripts/slurm-array.sh SOURCE_DIR DESTINATION_DIR
#
# Submitted again after tasks ran out of time, it repairs only what is still
# missing. Each task's lines go to its log; VELMORANT_CLI names another
# velmorant-cli than the one on the PATH.
#SBATCH --job-name=velmorant
#SBATCH --cpus-per-task=1
#SBATCH --time=02:00:00
#SBATCH --output=velmorant-%A_%a.log
set -euo pipefail
share="$((SLURM_ARRAY_TASK_ID - SLURM_ARRAY_TASK_MIN + 1))/$SLURM_ARRAY_TASK_COUNT"
exec "${VELMORANT_CLI:-velmorant-cli}" --recursive --skip-existing --shard "$share" \
    --folder "$1" "$2"
