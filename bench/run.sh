#!/usr/bin/env bash
# The benchmarks: installs what they need, builds in Release (build-bench/), starts an X server
# of its own (Xvfb, no window manager), runs every benchmark and prints one table. The table
# is also written as CSV, with the commit, to build-bench/results.csv for comparison across
# commits. It reports and asserts nothing; it is never part of the tests. About four minutes on
# two cores, the build not included.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh libbenchmark-dev libx11-dev libxtst-dev libxdamage-dev xvfb
mkdir -p build-bench
bin=build-bench/bench
rows=build-bench/rows.csv
log=build-bench/bench.log
: >"$rows"
: >"$log"

echo "Building (Release)..." >&2
if ! { cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DORVA_BENCHMARKS=ON &&
    cmake --build build-bench -j "$(nproc)" --target orva-control bench_linkcore bench_panel \
        bench_label bench_startup bench_barewindow bench_send bench_sendbaseline bench_qtstart orva-projector-sim \
        bench_remote
} >>"$log" 2>&1; then
    tail -30 "$log" >&2
    exit 1
fi

displayfile=$(mktemp)
timesFile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$displayfile" 2>>"$log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -f "$displayfile" "$timesFile"' EXIT
for _ in $(seq 100); do
    [[ -s $displayfile ]] && break
    sleep 0.1
done
[[ -s $displayfile ]] || { echo "Xvfb did not start (see $log)" >&2; exit 1; }
display=":$(cat "$displayfile")"

# Busy and idle time of all CPUs so far, in clock ticks.
cpuTicks() { awk '/^cpu / {print $2 + $3 + $4 + $7 + $8 + $9, $5 + $6}' /proc/stat; }
# Sets `ticks` to the CPU time of this script's finished children, in clock ticks.
childTicks() {
    times >"$timesFile"
    ticks=$(awk -v hz="$(getconf CLK_TCK)" 'NR == 2 { split($1, u, /[ms]/); split($2, s, /[ms]/)
        print int((u[1] * 60 + u[2] + s[1] * 60 + s[2]) * hz) }' "$timesFile")
}

loadBefore=$(cut -d' ' -f1-3 /proc/loadavg)
read -r busyBefore idleBefore < <(cpuTicks)
childTicks
oursBefore=$ticks
echo "Rendering and decoding..." >&2
"$bin/bench_linkcore" >>"$rows" 2>>"$log"
echo "The panel, offscreen..." >&2
# The holds are timers' work, the same on any platform: they run once, on xcb below.
QT_QPA_PLATFORM=offscreen "$bin/bench_panel" replies clicks burst >>"$rows" 2>>"$log"
QT_QPA_PLATFORM=offscreen "$bin/bench_label" >>"$rows" 2>>"$log"
echo "The panel, xcb on Xvfb $display..." >&2
DISPLAY=$display QT_QPA_PLATFORM=xcb "$bin/bench_panel" >>"$rows" 2>>"$log"
echo "The holds again with Timer1 on a QTimer, for comparison..." >&2
DISPLAY=$display QT_QPA_PLATFORM=xcb "$bin/bench_panel" holds qtimer >>"$rows" 2>>"$log"
echo "Start-up and idle, xcb on Xvfb $display..." >&2
DISPLAY=$display QT_QPA_PLATFORM=xcb "$bin/bench_startup" build-bench/orva-control \
    "$bin/bench_barewindow" >>"$rows" 2>>"$log"
echo "A projector behind ser2net: tcp:// beside socat's pty and a direct pty..." >&2
QT_QPA_PLATFORM=offscreen "$bin/bench_remote" >>"$rows" 2>>"$log"
echo "--send, beside a minimal C program and a Qt program that only starts; over rfc2217:// beside tcp:// through ser2net..." >&2
"$bin/bench_send" build-bench/orva-control build-bench/orva-projector-sim \
    "$bin/bench_sendbaseline" "$bin/bench_qtstart" >>"$rows" 2>>"$log"
echo "Many projectors at once: --metrics --all beside a loop of --send..." >&2
python3 bench/fleet.py build-bench/orva-control build-bench/orva-projector-sim >>"$rows" 2>>"$log"
loadAfter=$(cut -d' ' -f1-3 /proc/loadavg)
read -r busyAfter idleAfter < <(cpuTicks)
xvfbTicks=$(awk '{print $14 + $15}' "/proc/$xvfb/stat")
childTicks
ours=$((ticks - oursBefore + xvfbTicks))
others=$((busyAfter - busyBefore - ours))
(( others < 0 )) && others=0
othersShare=$((100 * others / (busyAfter - busyBefore + idleAfter - idleBefore)))

commit=$(git rev-parse --short HEAD 2>/dev/null || echo unknown)
csv=build-bench/results.csv
{
    echo "commit,figure,platform,unit,samples,median,p99,max,baseline,baseline_samples,baseline_median,baseline_p99,baseline_max,ratio,goal,met"
    sed "s/^/$commit,/" "$rows"
} >"$csv"

echo "commit $commit, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)," \
    "$(awk '/MemTotal/ {print int($2 / 1048576)}' /proc/meminfo) GiB, Linux $(uname -r)," \
    "Qt $(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null || echo '?')"
echo "load average (1, 5, 15 min): $loadBefore before, $loadAfter after;" \
    "other processes took about $othersShare% of all cores during the run"
echo
awk -f bench/table.awk "$csv"
echo
echo "CSV: $csv"
