#!/usr/bin/env bash
# Many projectors at once: orva-control against 20 simulated projectors of one
# orva-projector-sim, 3 silent ones (listening sockets that never answer, as a serial server
# whose projector is unplugged) and one refusing port, all on loopback; the metrics judged by
# promtool and served by node_exporter's textfile collector; the names of the settings file.
set -euo pipefail
control=${1:?usage: fleet.sh ORVA_CONTROL ORVA_PROJECTOR_SIM}
sim=${2:?usage: fleet.sh ORVA_CONTROL ORVA_PROJECTOR_SIM}
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_CONFIG_HOME/orva-control" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
settings() { printf '[projectors]\n%s' "$1" > "$XDG_CONFIG_HOME/orva-control/orva-control.conf"; }

"$sim" --listen 127.0.0.1:0 --count 20 > "$work/sim.out" & pids+=($!)
# Three sockets that take connections and never answer, and a port nobody listens on.
python3 -c '
import socket, sys, time
held = [socket.create_server(("127.0.0.1", 0)) for _ in range(3)]
free = socket.create_server(("127.0.0.1", 0)); port = free.getsockname()[1]; free.close()
print(*[s.getsockname()[1] for s in held], port, flush=True)
time.sleep(600)' > "$work/quiet.out" & pids+=($!)
for _ in $(seq 100); do
    [[ $(wc -l < "$work/sim.out") -ge 20 && -s $work/quiet.out ]] && break
    sleep 0.1
done
read -r quiet1 quiet2 quiet3 refusing < "$work/quiet.out"

# --all: twenty answered rows in the order of their names, three silent ones, the worst exit
# status (no reply) and the count.
entries=$(awk '{ printf "hall-%02d=%s\n", NR, $1 }' "$work/sim.out" | head -20)
settings "$entries
quiet-1=tcp://127.0.0.1:$quiet1
quiet-2=tcp://127.0.0.1:$quiet2
quiet-3=tcp://127.0.0.1:$quiet3
"
status=0
"$control" --all --send status > "$work/rows" 2> "$work/summary" || status=$?
expected="$(for i in $(seq -w 1 20); do echo "hall-$i: Stand by"; done)
quiet-1: X X X X (no-reply)
quiet-2: X X X X (no-reply)
quiet-3: X X X X (no-reply)"
[[ $(cat "$work/rows") == "$expected" ]] || fail "--all rows: $(diff <(echo "$expected") "$work/rows")"
[[ $status == 1 ]] || fail "--all exit status $status"
[[ $(cat "$work/summary") == "orva-control: 23 projectors: 20 reply, 3 no-reply" ]] ||
    fail "summary: $(cat "$work/summary")"
# One power-on for the building; each simulated projector has its own state.
"$control" --projector hall-03 --projector hall-07 --send power-on --json > "$work/json" 2> /dev/null
"$control" --all --send status > "$work/rows" 2> /dev/null || true
[[ $(grep 'Count down' "$work/rows") == "hall-03: Count down"$'\n'"hall-07: Count down" ]] ||
    fail "power-on: $(cat "$work/rows")"
python3 -c '
import json, sys
rows = [json.loads(line) for line in open(sys.argv[1])]
assert [r["projector"] for r in rows] == ["hall-03", "hall-07"], rows
assert all(r["outcome"] == "reply" and r["sent"] == "C00\r" for r in rows), rows' "$work/json" ||
    fail "--json rows"

# The building off: the two on their way switch, the others are off already.
status=0
"$control" --all --power off > "$work/rows" 2> /dev/null || status=$?
[[ $(grep -c ': already off (Stand by)$' "$work/rows") == 18 && $status == 1 &&
    $(grep -c '^hall-0[37]: switching off' "$work/rows") == 2 ]] || fail "--power off ($status): $(cat "$work/rows")"

# --metrics for an answering, a silent and a refusing projector: promtool accepts them.
settings "answering=$(sed -n 1p "$work/sim.out")
silent=tcp://127.0.0.1:$quiet1
refusing=tcp://127.0.0.1:$refusing
"
"$control" --metrics --all > "$work/metrics.prom" 2> /dev/null || fail "--metrics exit status $?"
promtool check metrics < "$work/metrics.prom" || fail "promtool check metrics"
for series in 'orva_projector_up{projector="answering"} 1' 'orva_projector_up{projector="silent"} 0' \
    'orva_projector_up{projector="refusing"} 0' \
    'orva_projector_power_state{projector="answering",state="standby"} 1' \
    'orva_projector_power_state{projector="answering",state="on"} 0' \
    'orva_projector_lamp_time_seconds{projector="answering"} 4500000' \
    'orva_projector_temperature_celsius{projector="answering",sensor="s3"} 25.5' \
    'orva_projector_lamps_lit{projector="answering"} 0'; do
    grep -qxF "$series" "$work/metrics.prom" || fail "no line '$series'"
done

# node_exporter's textfile collector serves the file --metrics-file writes.
mkdir "$work/textfile"
"$control" --metrics --all --metrics-file "$work/textfile/orva-control.prom" 2> /dev/null
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
prometheus-node-exporter --collector.disable-defaults --collector.textfile \
    --collector.textfile.directory="$work/textfile" --web.listen-address="127.0.0.1:$port" \
    2> "$work/node_exporter.log" & pids+=($!)
scrape() { python3 -c 'import sys, urllib.request; print(urllib.request.urlopen(sys.argv[1]).read().decode())' "http://127.0.0.1:$port/metrics"; }
for _ in $(seq 100); do scrape > "$work/scraped" 2> /dev/null && break; sleep 0.1; done
grep -qxF 'node_textfile_scrape_error 0' "$work/scraped" || fail "node_exporter: scrape error"
grep -qxF 'orva_projector_up{projector="answering"} 1' "$work/scraped" ||
    fail "node_exporter does not serve the projector's series"

# Names: an unknown one, a bad one on the command line and in the file, an empty section.
expect_usage() {
    local want=$1; shift
    local out status=0
    out=$("$control" "$@" 2>&1) || status=$?
    [[ $status == 2 && $out == *"$want"* ]] || fail "$* gave $status: $out"
}
expect_usage "no projector 'hall-z'" --projector hall-z --send status
expect_usage "'hall a' is not a projector name" --projector 'hall a' --send status
settings 'hall.a=tcp://127.0.0.1:1
'
expect_usage "projector name 'hall.a'" --all --send status
settings ''
expect_usage "names no projectors" --all --metrics
[[ -z $("$control" --list-projectors) ]] || fail "--list-projectors of an empty section"

((failures == 0)) && echo "fleet complete"
exit $((failures > 0))
