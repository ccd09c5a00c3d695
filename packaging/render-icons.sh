#!/usr/bin/env bash
# Renders the PNG sizes of the icon from zome2.svg. The PNGs are kept in the repository so that
# building the package needs no SVG renderer; run this again after changing the drawing
# (needs rsvg-convert from librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" --output "zome2-$size.png" zome2.svg
done
