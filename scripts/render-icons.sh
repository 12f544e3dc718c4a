#!/usr/bin/env bash
# Renders the application icon at the sizes a desktop looks for, from the one
# source drawing res/icons/vanto-update.svg. The PNGs are committed; run this
# after changing the drawing (needs rsvg-convert, Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../res/icons"
for size in 16 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" vanto-update.svg -o "vanto-update-$size.png"
done
# The Windows icon resource: the same PNGs in one .ico file (PNG entries, as
# Windows reads them since Vista).
python3 - <<'PY'
import struct
sizes = [16, 32, 48, 64, 128, 256]
images = [open(f"vanto-update-{s}.png", "rb").read() for s in sizes]
offset = 6 + 16 * len(sizes)
out = struct.pack("<HHH", 0, 1, len(sizes))
for size, data in zip(sizes, images):
    out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
open("vanto-update.ico", "wb").write(out + b"".join(images))
PY
