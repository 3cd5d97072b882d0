#!/usr/bin/env python3
"""The house's rules, read from the includes: a folder under src/ includes only its own files
and those of the folders below it, the window's folder none of the command line's Qt classes,
the core no Qt, and no two files include each other."""
import pathlib
import re
import sys

ORDER = ["core", "ports", "panel", "trafficlog", "commandline", "program"]  # lowest first
FORBIDDEN = {
    "core": re.compile(r"^<Q"),
    "panel": re.compile(r"^<(QLocalServer|QLocalSocket|QJsonDocument|QCommandLineParser)>"),
}

src = pathlib.Path(sys.argv[1])
home = {f.name: f.parent.name for f in src.glob("*/*") if f.suffix in (".h", ".cpp")}
includes = {}
faults = []
for name, folder in home.items():
    text = (src / folder / name).read_text()
    found = re.findall(r'^#include ([<"][^>"]+[>"])', text, re.M)
    includes[name] = {i.strip('"') for i in found if i.startswith('"') and i.strip('"') in home}
    for header in found:
        if folder in FORBIDDEN and FORBIDDEN[folder].match(header):
            faults.append(f"{folder}/{name} includes {header}")
    for other in includes[name]:
        if ORDER.index(home[other]) > ORDER.index(folder):
            faults.append(f"{folder}/{name} includes {home[other]}/{other}, a folder above it")
# A class's header and source count as one: two classes each including the other's header.
stem = lambda file: file.rsplit(".", 1)[0]
uses = {}
for name, included in includes.items():
    uses.setdefault(stem(name), set()).update(stem(i) for i in included if stem(i) != stem(name))
for one, used in uses.items():
    for other in used:
        if one < other and one in uses.get(other, ()):
            faults.append(f"{one} and {other} include each other")
print("\n".join(faults) or "layering: all includes run downward")
sys.exit(1 if faults else 0)
