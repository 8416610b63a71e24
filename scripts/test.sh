#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, and runs every
# test: once as built for users, a minute of fuzzing, and once more under
# AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --tests

git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

scripts/build.sh build -DBUILD_TESTING=ON
ctest --test-dir build --output-on-failure --parallel "$(nproc)"

# About a minute of fuzzing the repair; fuzz/run.sh SECONDS runs it longer.
fuzz/run.sh 60

scripts/build.sh build-sanitize -DVELMORANT_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-sanitize --output-on-failure --parallel "$(nproc)"
