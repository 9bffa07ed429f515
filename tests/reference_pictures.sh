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

exif() {  # exif ORIENTATION: an APP1 segment holding only the orientation tag
  if (( $1 % 2 )); then
    printf '\xff\xe1\x00\x22Exif\x00\x00II\x2a\x00\x08\x00\x00\x00\x01\x00'
    printf '\x12\x01\x03\x00\x01\x00\x00\x00\x0'"$1"'\x00\x00\x00\x00\x00\x00\x00'
  else
    printf '\xff\xe1\x00\x22Exif\x00\x00MM\x00\x2a\x00\x00\x00\x08\x00\x01'
    printf '\x01\x12\x00\x03\x00\x00\x00\x01\x00\x0'"$1"'\x00\x00\x00\x00\x00\x00'
  fi
}
