#!/bin/sh
# Renders the PNG icon sizes from the SVG (run once after changing the SVG; the PNGs
# are committed so that the build needs no SVG renderer). Needs rsvg-convert
# (librsvg2-bin).
set -e
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" 62500twk.svg -o "62500twk-$size.png"
done
