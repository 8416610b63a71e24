#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, and runs every
# test: once as built for users, a minute of fuzzing, once more under
# AddressSanitizer and UBSan, and the engine's and the CLI's for Windows under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --tests

git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

scripts/build.sh test
ctest --preset test --parallel "$(nproc)"

# About a minute of fuzzing the repair; fuzz/run.sh SECONDS runs it longer.
fuzz/run.sh 60

scripts/build.sh sanitize
ctest --preset sanitize --parallel "$(nproc)"

# The engine and the CLI for Windows, their tests under Wine.
scripts/build.sh windows
ctest --preset windows --parallel "$(nproc)"
