#!/usr/bin/env bash
# Installs from Debian's archive whatever the build (and, with --tests, the
# tests) need and this machine lacks. Safe to run again: it installs nothing
# that is already there.
set -euo pipefail

packages=(cmake ninja-build g++ qtbase5-dev qtbase5-dev-tools)
if [[ "${1:-}" == "--tests" ]]; then
    packages+=(libgtest-dev locales biosig-tools clang clang-format libclang-rt-14-dev
               desktop-file-utils time
               g++-mingw-w64-x86-64-posix wine wine64 googletest
               slurmctld slurmd slurm-client munge parallel)
fi

sudo_if_needed() {
    if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi
}

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
        || missing+=("$package")
done
if (( ${#missing[@]} > 0 )); then
    echo "Installing: ${missing[*]}"
    sudo_if_needed apt-get update -qq
    sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The numeric text tests run under a locale with a decimal comma.
if [[ "${1:-}" == "--tests" ]] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    sudo_if_needed sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | sudo_if_needed tee -a /etc/locale.gen >/dev/null
    sudo_if_needed locale-gen >/dev/null
fi
