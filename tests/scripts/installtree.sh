#!/usr/bin/env bash
# Installs the build BUILD_DIR into a scratch directory as a package would (prefix /usr) and
# checks what an operator's machine gets: exactly the two programs and the window's module, a
# valid menu entry naming the installed program and icon, the icon at both sizes, a manual page
# that lists the same options as --help, and systemd units that work there and under a user's
# ~/.local.
set -euo pipefail
build=${1:?usage: installtree.sh BUILD_DIR VERSION}
version=${2:?usage: installtree.sh BUILD_DIR VERSION}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
export QT_QPA_PLATFORM=offscreen
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

expected="usr/bin/orva-control
usr/bin/orva-projector-sim
usr/lib/orva-control/orva-control-panel.so
usr/lib/systemd/system/orva-metrics.service
usr/lib/systemd/system/orva-metrics.timer
usr/lib/systemd/user/orva-power-off.service
usr/lib/systemd/user/orva-power-off.timer
usr/share/applications/orva-control.desktop
usr/share/icons/hicolor/48x48/apps/orva-control.png
usr/share/icons/hicolor/scalable/apps/orva-control.svg
usr/share/man/man1/orva-control.1
usr/share/man/man1/orva-projector-sim.1
usr/share/orva-control/orva-control-alerts.test.yml
usr/share/orva-control/orva-control-alerts.yml"
installed=$(cd "$root" && find . -type f -printf '%P\n' | LC_ALL=C sort)
[[ $installed == "$expected" ]] || fail "installed files differ: $(diff <(echo "$expected") <(echo "$installed"))"

desktop=$root/usr/share/applications/orva-control.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate found faults in the menu entry"
entry() { sed -n "s/^$1=//p" "$desktop"; }
[[ -x $root/usr/bin/$(entry Exec) ]] || fail "Exec=$(entry Exec) is not an installed program"
[[ -f $root/usr/share/icons/hicolor/scalable/apps/$(entry Icon).svg ]] || fail "Icon=$(entry Icon) is no icon"
# A PNG's width and height are the two big-endian words at bytes 16 to 23.
size=$(od -An -tu1 -j16 -N8 "$root/usr/share/icons/hicolor/48x48/apps/orva-control.png" |
    awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
[[ $size == 48x48 ]] || fail "the 48x48 icon is $size"

program=$root/usr/bin/orva-control
manual=$root/usr/share/man/man1/orva-control.1
[[ -z $(groff -man -ww -z "$manual" "$root/usr/share/man/man1/orva-projector-sim.1" 2>&1) ]] ||
    fail "groff warns about a manual page"
# "  -h, --help   Displays..." and "  --com1 <DEVICE>  Open..." give "-h, --help" and "--com1 DEVICE".
help_options=$("$program" --help |
    sed -n 's/^  \(-[^ ].*[^ ]\)  .*/\1/p; s/^  \(-[^ ]*\( <[^>]*>\)\?\)$/\1/p' | tr -d '<>' | sort)
manual_options=$(groff -man -Tascii -P -cbou "$manual" | sed -n '/^OPTIONS/,/^[A-Z]/s/^       \(-.*\)/\1/p' | sort)
[[ -n $help_options && $help_options == "$manual_options" ]] ||
    fail "--help and the manual page list different options: $(diff <(echo "$help_options") <(echo "$manual_options"))"
[[ $("$program" --version) == "orva-control $version" ]] || fail "--version is not 'orva-control $version'"
[[ $("$program" --help | head -n 1) == "Usage: orva-control [options]" ]] || fail "--help's usage line"
# A mistake is told without a display too (over ssh, from a script).
usage=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --no-such-option 2>&1) && status=0 || status=$?
[[ $status == 2 && $usage == *"Unknown option 'no-such-option'"*"--help"* ]] || fail "a bad option without a display: $status $usage"
# Qt adds --help-all to every help; it prints more than --help and does not start the panel.
[[ $(timeout 10 "$program" --help-all | wc -l) -gt $("$program" --help | wc -l) ]] || fail "--help-all"

# The command line loads nothing of the window system; the panel finds its window module.
readelf -d "$program" | grep -q 'NEEDED.*libQt6Gui' && fail "orva-control needs the window system's libraries"
timeout 3 "$program" --simulate && status=0 || status=$?
[[ $status == 124 ]] || fail "the installed panel did not run: $status"

# The evening power-off: the service names the installed program by its full path, and its
# command finds the simulated projector (in standby) off already, with no display. Both units
# pass systemd-analyze (scripts/install-deps.sh installs it).
units=$root/usr/lib/systemd/user
command=$(sed -n 's/^ExecStart=//p' "$units/orva-power-off.service")
[[ $command == "/usr/bin/orva-control --power off" ]] || fail "ExecStart=$command"
answer=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM $root$command --simulate)
[[ $answer == "already off (Stand by)" ]] || fail "the power-off said '$answer'"
if ! command -v systemd-analyze >/dev/null; then
    fail "systemd-analyze is missing: the units are not verified"
else
    sed -i "s|^ExecStart=|ExecStart=$root|" "$units/orva-power-off.service"
    systemd-analyze verify --man=no "$units"/orva-power-off.{service,timer} || fail "the units"
    systemd-analyze calendar "$(sed -n 's/^OnCalendar=//p' "$units/orva-power-off.timer")" |
        grep -q 'Normalized form: \*-\*-\* 22:00:00' || fail "the timer is not every day at 22:00"
    # The metrics units, system units that run the installed program every minute.
    system_units=$root/usr/lib/systemd/system
    grep -qxF "ExecStart=/usr/bin/orva-control --metrics --all --metrics-file /var/lib/prometheus/node-exporter/orva-control.prom" \
        "$system_units/orva-metrics.service" || fail "the metrics service's ExecStart"
    sed -i "s|^ExecStart=|ExecStart=$root|" "$system_units/orva-metrics.service"
    systemd-analyze verify --man=no "$system_units"/orva-metrics.{service,timer} || fail "the metrics units"
    # Under a user's own prefix the units land where the user manager looks, and pass as they
    # stand: their ExecStart is the program installed there.
    home=$root/home
    cmake --install "$build" --prefix "$home/.local" >/dev/null
    user_units=$home/.local/share/systemd/user
    env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" systemd-analyze --user unit-paths |
        grep -qxF "$user_units" || fail "systemd's user manager does not look in $user_units"
    systemd-analyze verify --man=no "$user_units"/orva-power-off.{service,timer} ||
        fail "the units under $home/.local"
fi

((failures == 0)) && echo "installed tree complete"
exit $((failures > 0))
