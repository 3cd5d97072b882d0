#!/usr/bin/env bash
# What Orca says of the panel to an operator on the keyboard alone, read from Orca's debug log
# ("SPEECH OUTPUT" lines): a button's name, STATUS's decoded reply, a missing reply and a view
# that opens, each said once. Orca, the accessibility bus and the panel on its simulated
# projector run on a private X server and a private session bus, all stopped at the end.
# Usage: orcaspeech.sh ORVA-CONTROL
set -euo pipefail

if [[ ${1:-} != --inside ]]; then
    control=$(realpath "$1")
    work=$(mktemp -d)
    trap 'kill $(jobs -p) 2>/dev/null || true; wait; [[ -n ${ORCA_KEEP:-} ]] || rm -rf "$work"' EXIT
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
    exec 3>&-
    DISPLAY=:$(head -1 "$work/display") dbus-run-session -- "$0" --inside "$control" "$work" ||
        { status=$?; grep "SPEECH OUTPUT" "$work/orca.log" >&2 || true; exit $status; }
    exit 0
fi

control=$2
work=$3
# What starts here stops here: a log reader left running would hold the test's output open.
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
mkdir -p "$work/home" "$work/prefs"
# Orca's own settings but for the speech server: none. What it says goes to the log alone, and
# Orca does not wait for a speech-dispatcher to start.
cat >"$work/prefs/user-settings.conf" <<'SETTINGS'
{"general": {"speechServerFactory": ""}, "pronunciations": {}, "keybindings": {},
 "profiles": {"default": {"profile": ["Default", "default"], "speechServerFactory": ""}}}
SETTINGS
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_RUNTIME_DIR=$work GSETTINGS_BACKEND=memory
log=$work/orca.log
heard=0 # utterances already looked at

# What Orca has said, one utterance a line, without its echo of the keys pressed.
utterances() {
    grep -o "SPEECH OUTPUT: '.*[^ ]'{" "$log" 2>/dev/null | sed "s/^SPEECH OUTPUT: '//; s/'{\$//" || true
}

# Waits up to 60 s (or $2 tenths of a second) until Orca says `phrase` (the whole utterance),
# after what it said before.
hear() {
    local phrase=$1 said
    for _ in $(seq "${2:-600}"); do
        said=$(utterances | tail -n +$((heard + 1)) | grep -nxF -- "$phrase" | head -1 | cut -d: -f1 || true)
        if [[ -n $said ]]; then
            heard=$((heard + said))
            return 0
        fi
        sleep 0.1
    done
    echo "Orca did not say '$phrase'" >&2
    return 1
}

# Presses `key` and waits for what Orca says of it, however slow.
press() {
    local before
    before=$(utterances | wc -l)
    xdotool key "$1"
    for _ in $(seq 600); do
        (($(utterances | wc -l) > before)) && break
        sleep 0.1
    done
    sleep 0.5 # the rest of what it says of the same control
}

# Presses `key` until Orca says `phrase`, as an operator tabs to a control by ear.
seek() {
    local key=$1 phrase=$2
    for _ in $(seq 12); do
        heard=$(utterances | wc -l) # only what this press brings: Orca's log comes late
        press "$key"
        hear "$phrase" 20 2>/dev/null && return 0
    done
    echo "no control said '$phrase'" >&2
    return 1
}

/usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/bus.log" 2>&1 &
# Orca buffers its log in blocks unless the log is a terminal: through a pseudo-terminal each
# line reaches the file as it is said.
socat -u pty,link="$work/orca.tty",rawer open:"$log",creat,append &
for _ in $(seq 50); do [[ -e $work/orca.tty ]] && break; sleep 0.1; done
orca --replace -u "$work/prefs" --debug-file "$work/orca.tty" >"$work/orca.out" 2>&1 &
hear "Screen reader on." 1800 # Orca takes its time to start on a busy machine
QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$control" --simulate >"$work/panel.log" 2>&1 &
window=$(xdotool search --sync --onlyvisible --name "ORVA")
xdotool windowfocus --sync "$window"
hear "POWER ON push button."

xdotool key ctrl+j
hear "Monitor shown"
seek shift+Tab "STATUS push button."
xdotool key space
hear " Stand by"
sleep 2 # the reply wait ends and the monitor clears itself: nothing more is said

seek Tab "ORVA emblem image." # back the way the focus came
xdotool key space
hear "Full panel shown"
seek shift+Tab "SEND push button."
press shift+Tab # the command box, before SEND
# A line longer than the projector reads goes unanswered.
xdotool type --delay 1 "$(printf 'x%.0s' $(seq 300))"
seek Tab "SEND push button."
xdotool key space
hear "No reply"

# Each was said once.
for phrase in " Stand by" "No reply" "Monitor shown" "Full panel shown"; do
    count=$(utterances | grep -cxF -- "$phrase" || true)
    [[ $count -eq 1 ]] || { echo "'$phrase' said $count times" >&2; exit 1; }
done
echo "Orca said every phrase once"
