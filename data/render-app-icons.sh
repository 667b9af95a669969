#!/usr/bin/env bash
# Renders the application icons (icons/morvane.svg, icons/trellin.svg) into the PNG sizes of the
# hicolor theme under hicolor/<size>x<size>/apps/. Run after changing either picture and commit
# the PNGs: the build itself does not need a renderer. Needs rsvg-convert (librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for name in morvane trellin; do
    for size in 16 22 24 32 48 64 128 256; do
        mkdir -p "hicolor/${size}x${size}/apps"
        rsvg-convert -w "$size" -h "$size" "icons/$name.svg" -o "hicolor/${size}x${size}/apps/$name.png"
    done
done
