#!/usr/bin/env bash
# Installs the build BUILD_DIR into a scratch directory as a package would (prefix /usr) and
# checks what an operator's machine gets: exactly the two programs, the menu entry (valid, and
# naming the installed program and icon), the icon at both sizes and the manual page.
set -euo pipefail
build=${1:?usage: installtree.sh BUILD_DIR VERSION}
version=${2:?usage: installtree.sh BUILD_DIR VERSION}

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

expected="usr/bin/orva-control
usr/bin/orva-projector-sim
usr/lib/systemd/user/orva-power-off.service
usr/lib/systemd/user/orva-power-off.timer
usr/share/applications/orva-control.desktop
usr/share/icons/hicolor/48x48/apps/orva-control.png
usr/share/icons/hicolor/scalable/apps/orva-control.svg
usr/share/man/man1/orva-control.1"
installed=$(cd "$root" && find . -type f -printf '%P\n' | LC_ALL=C sort)
[[ $installed == "$expected" ]] ||
    fail "installed files differ:"$'\n'"$(diff <(echo "$expected") <(echo "$installed"))"

desktop=$root/usr/share/applications/orva-control.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate found faults in the menu entry"
entry() { sed -n "s/^$1=//p" "$desktop"; }
[[ -x $root/usr/bin/$(entry Exec) ]] || fail "Exec=$(entry Exec) is not an installed program"
[[ -f $root/usr/share/icons/hicolor/scalable/apps/$(entry Icon).svg ]] ||
    fail "Icon=$(entry Icon) is not an installed icon"
for key in Name Comment Categories; do
    [[ -n $(entry "$key") ]] || fail "the menu entry has no $key"
done

# A PNG's width and height are the two big-endian words at bytes 16 to 23.
png=$root/usr/share/icons/hicolor/48x48/apps/orva-control.png
size=$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
[[ $size == 48x48 ]] || fail "the 48x48 icon is $size"
grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/orva-control.svg" ||
    fail "the scalable icon is no SVG"

manual=$root/usr/share/man/man1/orva-control.1
warnings=$(groff -man -ww -z "$manual" 2>&1)
[[ -z $warnings ]] || fail "groff warns about the manual page: $warnings"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS DEVICES "EXIT STATUS" EXAMPLES; do
    grep -qx "\.SH \"\?$section\"\?" "$manual" || fail "the manual page has no $section section"
done

[[ $(QT_QPA_PLATFORM=offscreen "$root/usr/bin/orva-control" --version) == "orva-control $version" ]] ||
    fail "the installed orva-control does not report version $version"

((failures == 0)) && echo "installed tree complete"
exit $((failures > 0))
