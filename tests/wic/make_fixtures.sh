#!/usr/bin/env bash
# make_fixtures.sh OUTDIR: pictures for the WIC reader tests, made with
# ImageMagick, each beside ImageMagick's own decode of it: NAME.rgb (8-bit
# RGB, upright, transparency flattened over white) and NAME.size ("w h").
set -euo pipefail
source "$(cd "$(dirname "$0")/.." && pwd)/reference_pictures.sh"
out=$1
mkdir -p "$out"
cd "$out"

base -type TrueColor png24:rgb.png;                        expect rgb.png
base -type TrueColor bmp3:rgb.bmp;                         expect rgb.bmp
base -type TrueColor -depth 8 -compress none rgb.tif;      expect rgb.tif
base -type TrueColor -depth 16 -compress none rgb16.tif;   expect rgb16.tif
base -quality 95 -sampling-factor 1x1 rgb.jpg;             expect rgb.jpg
base -colors 200 -type Palette gif:palette.gif;            expect palette.gif
base -colors 200 -type Palette bmp3:palette.bmp;           expect palette.bmp
base -colors 12 -type Palette -define bmp:format=bmp3 -depth 4 bmp3:palette4.bmp; expect palette4.bmp
base -colors 200 -type Palette png8:palette.png;           expect palette.png
base -colorspace Gray -type Grayscale -depth 8 png:grey.png;        expect grey.png
base -colorspace Gray -quality 95 grey.jpg;                expect grey.jpg
base -monochrome -type Bilevel -depth 1 png:mono.png;               expect mono.png
base -monochrome -type Bilevel -depth 1 -compress none mono.tif;    expect mono.tif
base -resize 32x32! icon.ico;                              expect icon.ico
# Opacity from fully transparent (left) to opaque (right).
base -alpha set -channel A -fx 'i/(w-1)' +channel png32:alpha.png; expect alpha.png

# Camera photos carry their orientation in an EXIF block: every one of the
# eight, in both byte orders (big-endian for even values).
base -quality 95 -sampling-factor 1x1 plain.jpg
for o in 1 2 3 4 5 6 7 8; do
  { head -c 2 plain.jpg; exif "$o"; tail -c +3 plain.jpg; } > "orient$o.jpg"
  expect "orient$o.jpg"
done

# First frame of an animation, first page of a multi-page TIFF.
convert -size 20x10 xc:red xc:blue -loop 0 animated.gif;  expect animated.gif
convert -size 20x10 xc:lime xc:blue -compress none pages.tif; expect pages.tif
# CMYK JPEG: decoded or refused, never a crash.
base -colorspace CMYK -quality 95 cmyk.jpg

# Real photos and a real transparent wallpaper from Debian's mate-backgrounds.
photos=/usr/share/backgrounds/mate
cp "$photos/nature/LadyBird.jpg" photo1.jpg;                                 expect photo1.jpg
cp "$photos/nature/Garden.jpg" photo2.jpg;                                   expect photo2.jpg
cp "$photos/abstract/Arc-Colors-Transparent-Wallpaper.png" wallpaper.png;   expect wallpaper.png
{ head -c 2 photo1.jpg; exif 6; tail -c +3 photo1.jpg; } > portrait.jpg

# Damaged files.
head -c 10 rgb.jpg > cut10.jpg
head -c 400 rgb.jpg > cut400.jpg
head -c "$(( $(stat -c %s rgb.jpg) / 2 ))" rgb.jpg > cuthalf.jpg
head -c 60 rgb.png > cut60.png
head -c "$(( $(stat -c %s rgb.png) / 2 ))" rgb.png > cuthalf.png
head -c 100 rgb.gif 2>/dev/null > cut100.gif || head -c 100 palette.gif > cut100.gif
head -c 300 rgb.tif > cut300.tif
: > empty.png
head -c 5000 /dev/urandom > random.jpg
head -c 5000 /dev/urandom > random.png
touch fixtures.made
