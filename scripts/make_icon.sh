#!/bin/sh
# Draws the application icon (resources/VandokTestSystem.ico): a chip with a
# white "V" on a green board, in 16, 32, 48, 96 and 256 pixels.
# Needs ImageMagick 6 (convert) and the DejaVu fonts.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
out="$here/resources/VandokTestSystem.ico"
convert_cmd=${CONVERT:-convert}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Master picture, 256 x 256.
pins=""
for i in 0 1 2 3 4 5; do
  p=$((70 + i * 24))
  pins="$pins rectangle $p,30 $((p + 12)),62 rectangle $p,194 $((p + 12)),226"
  pins="$pins rectangle 30,$p 62,$((p + 12)) rectangle 194,$p 226,$((p + 12))"
done
"$convert_cmd" -size 256x256 xc:none \
  -fill '#1f7a3a' -draw "roundrectangle 4,4 251,251 36,36" \
  -fill '#d8b24a' -draw "$pins" \
  -fill '#22262b' -draw "roundrectangle 56,56 199,199 14,14" \
  -fill none -stroke '#5a6470' -strokewidth 4 -draw "roundrectangle 64,64 191,191 10,10" \
  -stroke none -fill '#ffffff' -font DejaVu-Sans-Bold -pointsize 120 -gravity center -annotate +0+6 'V' \
  "$work/master.png"

for s in 16 32 48 96 256; do
  "$convert_cmd" "$work/master.png" -filter Lanczos -resize "${s}x${s}" -depth 8 "PNG32:$work/icon-$s.png"
done
"$convert_cmd" "$work/icon-16.png" "$work/icon-32.png" "$work/icon-48.png" "$work/icon-96.png" \
  "$work/icon-256.png" "$out"
echo "wrote $out"
