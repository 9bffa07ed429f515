# Sourced by the readers' fixture scripts: the base test picture, an EXIF
# orientation segment, and ImageMagick's reference decode of a file.

base() {  # a colourful 61 x 37 picture with sharp and smooth parts
  convert -size 61x37 xc: -sparse-color Bilinear '0,0 red 60,0 lime 0,36 blue 60,36 yellow' \
    -fill white -draw 'rectangle 5,5 14,12' -fill black -draw 'line 30,0 30,36' "$@"
}

expect() {  # expect NAME: NAME.rgb (8-bit RGB of its first frame, upright,
            # transparency over white) and NAME.size ("w h")
  local name=$1
  convert "$name[0]" -auto-orient -background white -alpha remove -alpha off -depth 8 "rgb:$name.rgb"
  convert "$name[0]" -auto-orient -format '%w %h' info: > "$name.size"
}

le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16)); }

exif_preview() {  # exif_preview ORIENTATION PREVIEW.jpg [MODIFY_DATE]: an APP1
                  # segment with the orientation (and a modify date, 19
                  # characters, without a date taken) in IFD0 and PREVIEW.jpg
                  # as the camera's preview (IFD1's JPEGInterchangeFormat)
  local bytes ifd0 ifd1 at
  bytes=$(stat -c %s "$2")
  if [ -n "${3:-}" ]; then ifd0=2; else ifd0=1; fi
  ifd1=$((8 + 2 + 12 * ifd0 + 4))
  at=$((ifd1 + 30))                      # the date, then the preview
  local start=$at
  [ -z "${3:-}" ] || start=$((at + 20))  # after the date's 20 bytes
  printf '\xff\xe1'; printf "\\x$(printf %02x $(((8 + start + bytes) >> 8)))\\x$(printf %02x $(((8 + start + bytes) & 255)))"
  printf 'Exif\x00\x00II\x2a\x00'; le32 8
  le16 "$ifd0"; le16 0x0112; le16 3; le32 1; le16 "$1"; le16 0
  [ -z "${3:-}" ] || { le16 0x0132; le16 2; le32 20; le32 "$at"; }
  le32 "$ifd1"
  le16 2; le16 0x0201; le16 4; le32 1; le32 "$start"; le16 0x0202; le16 4; le32 1; le32 "$bytes"; le32 0
  [ -z "${3:-}" ] || printf '%s\x00' "$3"
  cat "$2"
}

exif() {  # exif ORIENTATION: an APP1 segment holding only the orientation tag
  if (( $1 % 2 )); then
    printf '\xff\xe1\x00\x22Exif\x00\x00II\x2a\x00\x08\x00\x00\x00\x01\x00'
    printf '\x12\x01\x03\x00\x01\x00\x00\x00\x0'"$1"'\x00\x00\x00\x00\x00\x00\x00'
  else
    printf '\xff\xe1\x00\x22Exif\x00\x00MM\x00\x2a\x00\x00\x00\x08\x00\x01'
    printf '\x01\x12\x00\x03\x00\x00\x00\x01\x00\x0'"$1"'\x00\x00\x00\x00\x00\x00'
  fi
}
