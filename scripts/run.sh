#!/usr/bin/env bash
# Installs what is missing, builds and starts Velmorant. Without a display
# it runs the command-line front end instead: with arguments as given, and
# without any on the bundled sample recording, to show what it does.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# Tests are left out: they need packages that only the test command installs.
scripts/build.sh run
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    if (( $# > 0 )); then
        exec build-run/cli/velmorant-cli "$@"
    fi
    echo "No display: showing velmorant-cli on the bundled sample instead of the window."
    demo=$(mktemp -d)
    trap 'rm -rf "$demo"' EXIT
    cp cli/sample/recorder-sample.edf "$demo/"
    show() { echo; echo "\$ velmorant-cli $*"; build-run/cli/velmorant-cli "$@"; }
    show --check "$demo/recorder-sample.edf"
    show "$demo/recorder-sample.edf"
    show --check "$demo/recorder-sampleFixed.edf"
    exit 0
fi
exec build-run/app/velmorant "$@"
