#!/usr/bin/env bash
# Makes src/app/windows/brackwell.ico from src/app/desktop/brackwell.svg: the sizes Windows shows (lists,
# the task bar, Explorer's views), each stored as PNG, which Windows reads since Vista.
# Needs rsvg-convert (librsvg2-bin) and python3. The icon is kept in the repository; run this
# after the SVG changes.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sizes=(16 20 24 32 40 48 64 256)
for size in "${sizes[@]}"; do
    rsvg-convert -w "$size" -h "$size" -o "$work/$size.png" "$here/src/app/desktop/brackwell.svg"
done
python3 - "$here/src/app/windows/brackwell.ico" "${sizes[@]/#/$work/}" <<'PY'
import struct, sys
out, pngs = sys.argv[1], [p + ".png" for p in sys.argv[2:]]
images = [open(p, "rb").read() for p in pngs]
# ICONDIR, then one ICONDIRENTRY per image (a width or height of 256 is written as 0), then the data.
header = struct.pack("<HHH", 0, 1, len(images))
offset = len(header) + 16 * len(images)
entries, data = b"", b""
for image in images:
    width, height = struct.unpack(">II", image[16:24])
    entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(image), offset + len(data))
    data += image
open(out, "wb").write(header + entries + data)
PY
echo "wrote src/app/windows/brackwell.ico ($(stat -c %s "$here/src/app/windows/brackwell.ico") bytes)"
