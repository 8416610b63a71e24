#!/usr/bin/env bash
# Configures and builds one of the presets of CMakePresets.json (default:
# test): run, test, sanitize, fuzz or bench. Further arguments go to CMake's
# configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-test}"
shift || true
cmake --preset "$preset" "$@" >/dev/null
cmake --build --preset "$preset" --parallel "$(nproc)"
