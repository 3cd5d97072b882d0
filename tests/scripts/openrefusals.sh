#!/usr/bin/env bash
# A device that will not open, as an ordinary user meets it: root passes file modes and a
# terminal's exclusive mode, so `--send` runs here as `nobody`, against a simulated projector's
# pseudo-terminal whose mode and holders the script sets. `--send` must fail (exit status 3)
# with the cause on standard error. picocom, which locks with flock(2), is told the reverse.
#
# Usage: openrefusals.sh ORVA-PROJECTOR-SIM ORVA-CONTROL
set -euo pipefail
sim=$1 control=$2
[[ $(id -u) -eq 0 ]] || { echo "SKIP: needs root to become nobody"; exit 0; }
export QT_QPA_PLATFORM=offscreen
groups=() # each program started here leads a process group of its own
# Stopped last first: the panel before its device goes.
trap 'for ((i = ${#groups[@]} - 1; i >= 0; i--)); do kill -- "-${groups[i]}" 2>/dev/null; done; wait' EXIT
start() { setsid "$@" & groups+=($!); }

coproc SIM { exec setsid "$sim"; }
groups+=("$SIM_PID")
read -r pty <&"${SIM[0]}"
# A pseudo-terminal just made is held by no one: a lock file of its name (which root can take
# over and nobody cannot) is left over from an earlier one.
name=${pty#/dev/}
rm -f "/var/lock/LCK..${name//\//_}"

# Wait until a program holds $pty with flock(2), or none does, as /proc/locks tells (a probe
# that took the lock itself could make picocom fail to).
dev=$(stat -c %d "$pty")
lock=$(printf ' %02x:%02x:%d ' $((dev >> 8)) $((dev & 255)) "$(stat -c %i "$pty")")
locked() { grep FLOCK /proc/locks | grep -q "$lock"; }
held() { for _ in $(seq 100); do locked && return 0; sleep 0.1; done; return 1; }
free() { for _ in $(seq 100); do locked || return 0; sleep 0.1; done; return 1; }
stop() { kill -- "-${groups[-1]}"; free; }

refused() { # WORDS: what --send as nobody says
    local out status=0
    out=$(setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env \
        env QT_QPA_PLATFORM=offscreen "$control" --send status --com1 "$pty" 2>&1) || status=$?
    if [[ $status -ne 3 || $out != *"$pty: $1"* ]]; then
        echo "FAIL: expected exit 3 and \"$1\", got $status: $out"
        exit 1
    fi
}

chmod 0600 "$pty"
refused "Permission denied"
chmod 0666 "$pty"

start bash -c 'sleep infinity | picocom -q "$0" >/dev/null' "$pty"
held
refused "In use by another program"
stop

# A panel (as root) holds the device: its lock file, exclusive mode and flock(2).
start "$control" --com1 "$pty" 2>/dev/null
held
refused "In use by another program"
if out=$(timeout 10 picocom -q "$pty" </dev/null 2>&1) || [[ $out != *"cannot lock"* ]]; then
    echo "FAIL: picocom opened the device a panel holds: $out"
    exit 1
fi
echo PASS
