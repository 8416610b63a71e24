#!/usr/bin/env bash
# Builds the repair fuzzer with clang (libFuzzer, AddressSanitizer, UBSan) in
# build-fuzz/ and runs it for SECONDS (default 60) from a generated seed
# corpus. Further arguments go to libFuzzer, e.g. -jobs=2 -workers=2.
# A finding is saved as build-fuzz/crash-* (or leak-*, timeout-*); replay it
# with: (cd build-fuzz && fuzz/repair_fuzzer crash-...)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
dir=build-fuzz

scripts/build.sh fuzz

# libFuzzer writes its logs (with -jobs) into the current folder.
cp fuzz/edf.dict "$dir/"
cd "$dir"
rm -rf seeds
mkdir -p corpus
fuzz/make_seeds seeds
fuzz/repair_fuzzer -max_total_time="$seconds" -max_len=65536 -timeout=10 -dict=edf.dict \
    -print_final_stats=1 "$@" corpus seeds
