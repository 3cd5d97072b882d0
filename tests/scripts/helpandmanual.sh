#!/usr/bin/env bash
# orva-control's --help and its manual page name the same options with the same arguments;
# --version prints the project's version; --help-all prints the help and ends the program.
set -euo pipefail
program=${1:?usage: helpandmanual.sh ORVA_CONTROL MANUAL VERSION}
manual=${2:?usage: helpandmanual.sh ORVA_CONTROL MANUAL VERSION}
version=${3:?usage: helpandmanual.sh ORVA_CONTROL MANUAL VERSION}
export QT_QPA_PLATFORM=offscreen

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# "  -h, --help     Displays..." and "  --com1 <DEVICE>  Open..." give "-h, --help" and
# "--com1 DEVICE": the text before the gap, without the angle brackets.
help_options=$("$program" --help |
    sed -n 's/^  \(-[^ ].*[^ ]\)  .*/\1/p; s/^  \(-[^ ]*\( <[^>]*>\)\?\)$/\1/p' | tr -d '<>' | sort)
# The manual's option lines, as man shows them: indented seven places, starting with a dash.
manual_options=$(groff -man -Tascii -P -cbou "$manual" |
    sed -n '/^OPTIONS/,/^[A-Z]/s/^       \(-.*\)/\1/p' | sort)
[[ -n $help_options && $help_options == "$manual_options" ]] ||
    fail "--help and the manual page list different options:"$'\n'"$(diff <(echo "$help_options") <(echo "$manual_options"))"

[[ $("$program" --version) == "orva-control $version" ]] ||
    fail "--version prints '$("$program" --version)', not 'orva-control $version'"

# Qt adds --help-all to every help; it must print the help with Qt's options added, not start
# the panel.
if help_all=$(timeout 10 "$program" --help-all); then
    [[ $(wc -l <<<"$help_all") -gt $("$program" --help | wc -l) ]] &&
        grep -q -- '--list-ports' <<<"$help_all" || fail "--help-all prints less than --help"
else
    fail "--help-all did not end with success"
fi

((failures == 0)) && echo "--help, --version and the manual page agree"
exit $((failures > 0))
