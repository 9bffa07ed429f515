#!/usr/bin/env bash
# hostile_pictures.sh OUTDIR: files built to take a reader down or hold it,
# made at build time and never stored:
#   wide.tif     a 100,000,000 x 1 RGB TIFF, deflate: ~300 KB on disk,
#                300 MB per decoded row
#   scans.jpg    a progressive 4000 x 4000 JPEG whose last scan is repeated
#                5,000 times
#   cutturned.jpg  a photo turned by EXIF (orientation 6) cut at half its
#                length; turned.jpg is the whole one
#   good.png     a plain green picture to show beside them
set -euo pipefail
source "$(cd "$(dirname "$0")" && pwd)/reference_pictures.sh"  # exif
out=$1
mkdir -p "$out"
cd "$out"

/usr/bin/python3 - <<'EOF'
import struct, zlib

# One strip of one row, every pixel black, deflated in pieces so that the
# 300 MB row never exists here either.
width = 100_000_000
deflate = zlib.compressobj(9)
chunk = bytes(3 * 1_000_000)
strip = b"".join(deflate.compress(chunk) for _ in range(width // 1_000_000)) + deflate.flush()

entries = [  # tag, type, count, value (SHORT = 3, LONG = 4)
    (256, 4, 1, width), (257, 4, 1, 1), (258, 3, 3, None), (259, 3, 1, 8),
    (262, 3, 1, 2), (273, 4, 1, None), (277, 3, 1, 3), (278, 4, 1, 1),
    (279, 4, 1, len(strip)), (284, 3, 1, 1),
]
ifd_at = 8
ifd_size = 2 + 12 * len(entries) + 4
bits_at = ifd_at + ifd_size
strip_at = bits_at + 6
ifd = struct.pack("<H", len(entries))
for tag, kind, count, value in entries:
    if tag == 258:
        value = bits_at
    elif tag == 273:
        value = strip_at
    packed = struct.pack("<HH", value, 0) if kind == 3 and count == 1 else struct.pack("<I", value)
    ifd += struct.pack("<HHI", tag, kind, count) + packed
ifd += struct.pack("<I", 0)
with open("wide.tif", "wb") as f:
    f.write(b"II*\x00" + struct.pack("<I", ifd_at) + ifd + struct.pack("<HHH", 8, 8, 8) + strip)
EOF

# The bomb: every scan after the last is a repeat of it.
convert -size 4000x4000 xc:#3080C0 -quality 75 -interlace JPEG progressive4000.jpg
/usr/bin/python3 - <<'EOF'
data = open("progressive4000.jpg", "rb").read()
assert data.endswith(b"\xff\xd9")
last_scan = data.rfind(b"\xff\xda")
scan = data[last_scan:-2]
with open("scans.jpg", "wb") as f:
    f.write(data[:-2] + scan * 5000 + b"\xff\xd9")
EOF
rm progressive4000.jpg

photo=/usr/share/backgrounds/mate/nature/LadyBird.jpg
{ head -c 2 "$photo"; exif 6; tail -c +3 "$photo"; } > turned.jpg
head -c "$(( $(stat -c %s turned.jpg) / 2 ))" turned.jpg > cutturned.jpg
convert -size 64x48 "xc:#20C020" good.png
touch made
