#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the panel need, if any is missing.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-base-private-dev qt6-serialport-dev libgl-dev
    fonts-ipafont-gothic
    ser2net socat iproute2 python3 python3-serial picocom
    desktop-file-utils groff-base systemd
    clang libclang-rt-14-dev
)
# More for a particular job, such as the benchmarks' tools: given as arguments.
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
