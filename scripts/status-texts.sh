#!/usr/bin/env bash
# Puts the list of status texts, printed by orva-status-texts from the program's own tables,
# into README.md between its two marker lines. With --check, changes nothing and fails when
# README.md differs from what the program prints (the test runs it so).
set -euo pipefail

check=false
generator=
while [[ $# -gt 0 ]]; do
    case $1 in
        --check) check=true ;;
        --generator) generator=${2:?--generator needs a path}; shift ;;
        *) echo "usage: $0 [--check] [--generator PATH]" >&2; exit 2 ;;
    esac
    shift
done

cd "$(dirname "$0")/.."
if [[ -z $generator ]]; then
    cmake -S . -B build >/dev/null
    cmake --build build -j "$(nproc)" --target orva-status-texts >/dev/null
    generator=build/tools/orva-status-texts
fi

begin='<!-- status-texts begin: made by scripts/status-texts.sh, do not edit by hand -->'
end='<!-- status-texts end -->'
grep -qxF "$begin" README.md && grep -qxF "$end" README.md || {
    echo "README.md lacks the marker lines:" >&2
    printf '%s\n%s\n' "$begin" "$end" >&2
    exit 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$generator" >"$work/section"
# README.md with the lines between the markers replaced by the section.
awk -v begin="$begin" -v end="$end" -v section="$work/section" '
    $0 == end { inside = 0; print "" }
    !inside { print }
    $0 == begin {
        inside = 1
        print ""
        while ((getline line < section) > 0) print line
    }
' README.md >"$work/README.md"

if $check; then
    diff -u README.md "$work/README.md" || {
        echo "README.md's status texts differ from the program's: run scripts/status-texts.sh" >&2
        exit 1
    }
else
    cp "$work/README.md" README.md
    echo "README.md: status texts updated"
fi
