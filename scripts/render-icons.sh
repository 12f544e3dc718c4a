#!/usr/bin/env bash
# Renders the application icon at the sizes a desktop looks for, from the one
# source drawing res/icons/vanto-update.svg. The PNGs are committed; run this
# after changing the drawing (needs rsvg-convert, Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../res/icons"
for size in 16 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" vanto-update.svg -o "vanto-update-$size.png"
done
