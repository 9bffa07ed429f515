#!/usr/bin/env bash
# hostile_pictures.sh OUTDIR: files built to take a reader down or hold it,
# made at build time and never stored:
#   wide.tif     a 100,000,000 x 1 RGB TIFF, deflate: ~300 KB on disk,
#                300 MB per decoded row
#   scans.jpg    a progressive 4000 x 4000 JPEG whose last scan is repeated
#                5,000 times
#   cutturned.jpg  a photo turned by EXIF (orientation 6) cut at half its
#                length; turned.jpg is the whole one
#   cutturned.tif  a small TIFF turned by its orientation tag, its rows cut
#                at half; turned.tif is the whole one
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

# A 64 x 48 TIFF turned by its orientation tag (6), one row per strip, each
# stored row y of colour (4y, 255 - 4y, 128), its data cut after row 23:
# cutturned.tif, and whole as turned.tif.
/usr/bin/python3 - <<'EOF'
import struct

width, height = 64, 48
rows = b"".join(bytes((4 * y, 255 - 4 * y, 128)) * width for y in range(height))
count = 12
arrays_at = 8 + 2 + 12 * count + 4
data_at = arrays_at + 6 + 8 * height
entries = [  # tag, type, count, value (SHORT = 3, LONG = 4); arrays after the IFD
    (256, 3, 1, width), (257, 3, 1, height), (258, 3, 3, arrays_at), (259, 3, 1, 1),
    (262, 3, 1, 2), (273, 4, height, arrays_at + 6), (274, 3, 1, 6), (277, 3, 1, 3),
    (278, 3, 1, 1), (279, 4, height, arrays_at + 6 + 4 * height), (284, 3, 1, 1), (296, 3, 1, 1),
]
ifd = struct.pack("<H", count)
for tag, kind, n, value in entries:
    packed = struct.pack("<HH", value, 0) if kind == 3 and n == 1 else struct.pack("<I", value)
    ifd += struct.pack("<HHI", tag, kind, n) + packed
ifd += struct.pack("<I", 0) + struct.pack("<HHH", 8, 8, 8)
ifd += b"".join(struct.pack("<I", data_at + 3 * width * y) for y in range(height))
ifd += struct.pack("<I", 3 * width) * height
whole = b"II*\x00" + struct.pack("<I", 8) + ifd + rows
open("turned.tif", "wb").write(whole)
open("cutturned.tif", "wb").write(whole[: data_at + 3 * width * 24])
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
