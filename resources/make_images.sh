#!/usr/bin/env bash
# make_images.sh OUTDIR: the icon and the three cursors, drawn with
# ImageMagick. A cursor file is an icon file whose type is 2 and whose
# planes and bit-count fields hold the hot spot.
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"

# The icon: a blue frame holding a small landscape.
convert -size 32x32 xc:'#7F9BB7' -fill '#3779FF' -draw 'rectangle 2,4 29,27' \
  -fill '#87CEEB' -draw 'rectangle 4,6 27,17' -fill '#2E8B57' -draw 'rectangle 4,18 27,25' \
  -fill '#FFD700' -draw 'circle 21,10 23,10' \( +clone -resize 16x16 \) ralico.ico

cursor() {  # cursor NAME HOTX HOTY DRAW...
  local name=$1 x=$2 y=$3
  shift 3
  convert -size 32x32 xc:none "$@" -define icon:auto-resize=32 "$name.ico"
  { head -c 2 "$name.ico"; printf '\x02\x00'; head -c 6 "$name.ico" | tail -c 2
    dd if="$name.ico" bs=1 skip=6 count=4 status=none
    printf "\\x$(printf %02x "$x")\\x00\\x$(printf %02x "$y")\\x00"
    tail -c +15 "$name.ico"; } > "$name.cur"
  rm "$name.ico"
}
# An arrow with a green tick (files accepted) or a red bar (refused).
arrow=(-fill white -stroke black -draw 'polygon 0,0 0,20 5,15 9,23 12,22 8,14 14,14')
cursor accept 0 0 "${arrow[@]}" -stroke '#008000' -strokewidth 3 -fill none -draw 'polyline 16,24 20,28 28,18'
cursor noaccept 0 0 "${arrow[@]}" -stroke '#C00000' -strokewidth 3 -draw 'line 17,17 28,28' \
  -draw 'line 28,17 17,28'
# Two arrows left and right for the splitter.
cursor resize 15 15 -fill black -stroke black -draw 'polygon 2,15 8,9 8,21' \
  -draw 'polygon 29,15 23,9 23,21' -draw 'rectangle 8,14 23,16'
touch images.made
