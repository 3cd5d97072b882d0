#!/usr/bin/env bash
# README's Troubleshooting table quotes the program's own error lines: each case below makes the
# built program fail as a row says, and the line it prints, the device spelt as the table spells
# it, must stand in the table word for word, number and all.
# Usage: troubleshooting.sh ORVA-CONTROL README.md
set -euo pipefail
program=$1
readme=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work XDG_RUNTIME_DIR=$work
unset DISPLAY WAYLAND_DISPLAY
mkdir "$work/serial"
: >"$work/file"
table=$(sed -n '/^## Troubleshooting/,/^## Status texts/p' "$readme")
failed=0

check() { # AS-IN-README DEVICE [OPTION...]
    local shown=$1 device=$2 said
    shift 2
    said=$("$program" --send mode --com1 "$device" "$@" 2>&1 >/dev/null |
        sed -n "s|^orva-control: \(Error [0-9]*: \)$device|\1$shown|p" | head -n 1 || true)
    if [[ -z $said ]] || ! grep -qF "\"$said\"" <<<"$table"; then
        echo "README's Troubleshooting lacks \"$said\" (--com1 $device $*)" >&2
        failed=1
    fi
}

check /dev/ttyUSB0 "$work/missing"
check /dev/ttyUSB0 "$work/file"
check /dev/serial "$work/serial"
check rfc2217://HOST:4001 rfc2217://127.0.0.1:1
check tcp://HOST:4000 tcp://127.0.0.1:1 --speed 9600
exit $failed
