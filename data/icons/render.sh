#!/usr/bin/env bash
# Renders the committed PNG pictures from their SVG sources (needs librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
rsvg-convert -w 48 -h 48 orva-control.svg -o orva-control-48.png
rsvg-convert -w 80 -h 26 image1.svg -o image1.png
