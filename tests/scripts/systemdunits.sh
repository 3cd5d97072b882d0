#!/usr/bin/env bash
# The evening power-off as installed: both units pass systemd-analyze verify (where systemd is
# there to ask), the timer falls due at 22:00, and the service's command, run against the
# simulated projector, switches it off.
set -euo pipefail
build=${1:?usage: systemdunits.sh BUILD_DIR}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
units=$root/usr/lib/systemd/user
command=$(sed -n 's/^ExecStart=//p' "$units/orva-power-off.service")
[[ $command == "orva-control --send power-off" ]] || { echo "FAIL: ExecStart=$command"; exit 1; }

# The same command, run from the scratch tree with no display.
answer=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM $root/usr/bin/$command --simulate)
[[ $answer == ACK ]] || { echo "FAIL: the projector answered '$answer'"; exit 1; }

command -v systemd-analyze >/dev/null || { echo "no systemd-analyze: units not verified"; exit 0; }
sed -i "s|^ExecStart=|ExecStart=$root/usr/bin/|" "$units/orva-power-off.service"
systemd-analyze verify --man=no "$units/orva-power-off.service" "$units/orva-power-off.timer"
calendar=$(sed -n 's/^OnCalendar=//p' "$units/orva-power-off.timer")
systemd-analyze calendar "$calendar" | grep -q 'Normalized form: \*-\*-\* 22:00:00' ||
    { echo "FAIL: OnCalendar=$calendar is not every day at 22:00"; exit 1; }
echo "the power-off units are sound"
