#!/usr/bin/env bash
# Shows, on this one machine, how the panel reaches a projector that hangs on another
# machine's serial port:
#
#   orva-projector-sim      stands in for the projector on the far machine's serial port
#   ser2net                 serves that port on TCP, raw and with RFC 2217 (the far machine)
#   orva-control --com1 U   opens tcp://... or rfc2217://... as COM1 (this machine)
#   socat                   makes a local pseudo-terminal joined to the raw TCP port, for
#                           programs that need a device file
#
# Everything binds to 127.0.0.1. Without --keep it sends a few queries through each way with
# orva-control --send (and through socat's pseudo-terminal), checks the simulated projector's
# replies and exits 0 when all came back right. With --keep it then stays up until Ctrl+C, so
# that the panel can be run against either address.
set -euo pipefail

usage() {
    cat <<EOF
Usage: $0 [--keep] [--sim PATH] [--control PATH]

  --keep          stay up after the check until Ctrl+C, for orva-control --com1 <address>
  --sim PATH      the orva-projector-sim program (default: the installed one, else the build's)
  --control PATH  the orva-control program (default: the installed one, else the build's)
EOF
}

keep=false
sim=
control=
while [[ $# -gt 0 ]]; do
    case $1 in
        --keep) keep=true ;;
        --sim) sim=${2:?--sim needs a path}; shift ;;
        --control) control=${2:?--control needs a path}; shift ;;
        -h | --help) usage; exit 0 ;;
        *) usage >&2; exit 2 ;;
    esac
    shift
done

here=$(cd "$(dirname "$0")" && pwd)
if [[ -z $sim ]]; then
    sim=$(command -v orva-projector-sim || echo "$here/../build/orva-projector-sim")
fi
if [[ -z $control ]]; then
    control=$(command -v orva-control || echo "$here/../build/orva-control")
fi
for tool in "$sim" "$control" ser2net socat ss; do
    command -v "$tool" >/dev/null || {
        echo "missing: $tool (scripts/install-deps.sh installs ser2net, socat and ss)" >&2
        exit 1
    }
done

say() { printf '==> %s\n' "$*"; }

work=$(mktemp -d "${TMPDIR:-/tmp}/orva-remote.XXXXXX")
pids=()

# Ends what this script started, last started first; ser2net may ignore TERM while it is
# still starting, so anything left after two seconds is killed.
cleanup() {
    local pid i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill -TERM "${pids[i]}" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        for _ in {1..20}; do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Waits up to thirty seconds (a loaded two-core machine) for a command to succeed while
# process $1 is alive.
await() {
    local pid=$1
    shift
    for _ in {1..300}; do
        "$@" && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

fail() {
    echo "FAILED: $*" >&2
    for log in "$work"/*.log; do
        echo "--- $(basename "$log")" >&2
        cat "$log" >&2
    done
    exit 1
}

# --- the far machine: the projector on a serial port, served by ser2net -------------------

"$sim" >"$work/projector.log" 2>&1 &
pids+=($!)
await "${pids[-1]}" test -s "$work/projector.log" || fail "the simulated projector did not start"
device=$(head -n 1 "$work/projector.log")
[[ -c $device ]] || fail "the simulated projector printed no device"
say "simulated projector on $device (the far machine's serial port)"

# Serves the device with ser2net behind the accepter $2 (port 0: the system picks a free TCP
# port, read back from the listening socket); sets served_port.
serve() {
    local name=$1 accepter=$2
    cat >"$work/$name.yaml" <<EOF
%YAML 1.1
---
connection: &projector
    accepter: $accepter,127.0.0.1,0
    enable: on
    options:
      kickolduser: true
    connector: serialdev,$device,19200n81,local
EOF
    ser2net -n -u -c "$work/$name.yaml" -P "$work/$name.pid" >"$work/$name.log" 2>&1 &
    pids+=($!)
    ser2net_pid=${pids[-1]}
    await "$ser2net_pid" ser2net_listening || fail "ser2net ($name) did not start listening"
    served_port=$(listening_port)
    say "ser2net serves $device on $name 127.0.0.1:$served_port (ser2net -n -u -c $work/$name.yaml)"
}
listening_port() {
    ss -ltnpH | awk -v pid="pid=$ser2net_pid," 'index($0, pid) { n = split($4, a, ":"); print a[n]; exit }'
}
ser2net_listening() { [[ -n $(listening_port) ]]; }

serve tcp tcp
port=$served_port
serve rfc2217 'telnet(rfc2217),tcp'
rfc2217_port=$served_port

# --- this machine: the panel's own network ports -------------------------------------------

# The decoded status, as orva-control --send prints it.
check_send() {
    local address=$1 query=$2 expected=$3 printed
    printed=$("$control" --send "$query" --com1 "$address" 2>&1) || fail "$address: $printed"
    say "orva-control --com1 $address --send $query -> $printed"
    [[ $printed == "$expected" ]] || fail "\"$query\" should print \"$expected\", got \"$printed\""
}

for address in "tcp://127.0.0.1:$port" "rfc2217://127.0.0.1:$rfc2217_port"; do
    check_send "$address" CR0 "Stand by"
    check_send "$address" CR1 "Computer 1"
done

# --- this machine: a local pseudo-terminal joined to the raw port, for other programs -------

link="$work/projector"
socat pty,link="$link",raw,echo=0 tcp:127.0.0.1:"$port" 2>"$work/socat.log" &
pids+=($!)
await "${pids[-1]}" test -L "$link" || fail "socat made no pseudo-terminal"
say "socat joins $link ($(readlink "$link")) to tcp 127.0.0.1:$port"

# Sends one line to the local end and reads the reply up to its carriage return. Bytes are
# read one at a time with dd: bash's own read changes the terminal's input settings.
exchange() {
    local query=$1 reply='' byte fd
    exec {fd}<>"$link"
    printf '%s\r' "$query" >&"$fd"
    while byte=$(timeout 20 dd bs=1 count=1 status=none <&"$fd") && [[ -n $byte ]]; do
        [[ $byte == $'\r' ]] && break
        reply+=$byte
    done
    exec {fd}>&-
    printf '%s' "$reply"
}

check() {
    local query=$1 expected=$2 reply
    reply=$(exchange "$query")
    say "\"$query\" CR -> \"$reply\" CR"
    [[ $reply == "$expected" ]] || fail "\"$query\" should get \"$expected\", got \"$reply\""
}

check CR0 80        # standby
check CR1 1         # input 1
check CR9 PD71-SIM  # the model
say "the simulated projector answers through ser2net, raw and RFC 2217, and through socat"

$keep || exit 0

# socat's connection would keep the raw server reading the device beside the panel's server,
# taking some of the replies: it has done its part.
kill "${pids[-1]}"
unset 'pids[-1]'
say "now, in another terminal:  orva-control --com1 rfc2217://127.0.0.1:$rfc2217_port"
say "                  or else:  orva-control --com1 tcp://127.0.0.1:$port  (one at a time)"
say "commands as the simulated projector sees them (Ctrl+C ends everything):"
tail -n +2 -f "$work/projector.log" &
pids+=($!)
wait -n "${pids[@]}" || true
fail "a part of the chain ended"
