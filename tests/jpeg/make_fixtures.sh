#!/usr/bin/env bash
# make_fixtures.sh OUTDIR: pictures for the JPEG reader tests, each beside
# ImageMagick's decode of it: NAME.rgb (8-bit RGB, upright) and NAME.size.
set -euo pipefail
source "$(cd "$(dirname "$0")/.." && pwd)/reference_pictures.sh"
out=$1
mkdir -p "$out"
cd "$out"

base -quality 95 -sampling-factor 1x1 rgb.jpg;               expect rgb.jpg
base -quality 90 -sampling-factor 2x2 subsampled.jpg;        expect subsampled.jpg
base -quality 95 -interlace JPEG progressive.jpg;            expect progressive.jpg
base -colorspace Gray -quality 95 grey.jpg;                  expect grey.jpg
# ImageMagick stores CMYK as YCCK with Adobe's inverted inks.
base -colorspace CMYK -quality 95 cmyk.jpg;                  expect cmyk.jpg
base ppm:- | cjpeg -quality 95 -restart 1 > restart.jpg;     expect restart.jpg
base ppm:- | cjpeg -quality 95 -restart 3B > restart3b.jpg;  expect restart3b.jpg

# Every EXIF orientation, in both byte orders (big-endian for even values).
base -quality 95 -sampling-factor 1x1 plain.jpg
base -colorspace Gray -quality 95 plaingrey.jpg
for o in 1 2 3 4 5 6 7 8; do
  { head -c 2 plain.jpg; exif "$o"; tail -c +3 plain.jpg; } > "orient$o.jpg"
  expect "orient$o.jpg"
done
{ head -c 2 plaingrey.jpg; exif 6; tail -c +3 plaingrey.jpg; } > greyorient6.jpg
expect greyorient6.jpg

# Camera previews in the EXIF block, a colour of their own so a thumbnail
# tells which was decoded: one of the photo's shape, one with black bars.
convert -size 320x240 xc:'#2050a0' -quality 95 photo43.jpg
convert -size 160x120 xc:magenta -quality 95 preview43.jpg
{ head -c 2 photo43.jpg; exif_preview 1 preview43.jpg; tail -c +3 photo43.jpg; } > withpreview.jpg
{ head -c 2 photo43.jpg; exif_preview 6 preview43.jpg; tail -c +3 photo43.jpg; } > withpreview6.jpg
convert -size 300x200 xc:'#2050a0' -quality 95 photo32.jpg
{ head -c 2 photo32.jpg; exif_preview 1 preview43.jpg; tail -c +3 photo32.jpg; } > barpreview.jpg
{ head -c 2 photo43.jpg; exif_preview 1 preview43.jpg '2024:05:06 07:08:09'; tail -c +3 photo43.jpg; } > editedpreview.jpg

# Real photos from Debian's mate-backgrounds (2560 x 1600).
photos=/usr/share/backgrounds/mate/nature
cp "$photos/LadyBird.jpg" photo1.jpg;  expect photo1.jpg
cp "$photos/Garden.jpg" photo2.jpg;    expect photo2.jpg
{ head -c 2 photo1.jpg; exif 6; tail -c +3 photo1.jpg; } > portrait.jpg
convert photo2.jpg -interlace JPEG -quality 90 progressivephoto.jpg
djpeg photo2.jpg | cjpeg -quality 90 -restart 2 > restartphoto.jpg

# Damaged files.
head -c 10 rgb.jpg > cut10.jpg
head -c 400 rgb.jpg > cut400.jpg
head -c "$(( $(stat -c %s photo1.jpg) / 2 ))" photo1.jpg > cuthalf.jpg
head -c "$(( $(stat -c %s progressive.jpg) * 2 / 3 ))" progressive.jpg > cutprogressive.jpg
: > empty.jpg
head -c 5000 /dev/urandom > random.jpg
{ printf '\xff\xd8'; head -c 5000 /dev/urandom; } > randombody.jpg
touch fixtures.made
