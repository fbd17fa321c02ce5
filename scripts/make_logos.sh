#!/bin/sh
# Draws the five logo pictures of the main window into resources/logos/:
#   pelto.JPG       300 x 330  the evaluation board (place: 310 x 334 at 20,120)
#   vandok.JPG       46 x 46   the Vandok emblem, left of "Discovery" (place: 140 x 137 at 10,90)
#   tarvex.JPG      240 x 56   Tarvex wordmark (place: 240 x 56 at 30,10)
#   brisal.JPG      160 x 41   Brisal wordmark (place: 160 x 41 at 10,480)
#   vandok_log.JPG  160 x 47   Vandok wordmark (place: 160 x 47 at 180,480)
# Each is stored at 96 pixels per inch, so a 96-dpi screen shows it pixel for
# pixel. Needs ImageMagick 6 (convert) and the DejaVu fonts.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
out="$here/resources/logos"
convert_cmd=${CONVERT:-convert}
face='#f0f0f0'  # the dialog's face colour, so the wordmarks sit on it seamlessly
mkdir -p "$out"

save() {  # save NAME: reads a picture on stdin (MIFF), writes a 96-dpi baseline JPEG
  "$convert_cmd" miff:- -units PixelsPerInch -density 96 -strip -interlace none -sampling-factor 1x1 \
    -quality 92 "$out/$1"
}

# The board: a green circuit board with its FPGA, memory, flash, Ethernet jack and
# connectors, on a white card with its name above.
"$convert_cmd" -size 300x330 xc:white \
  -fill none -stroke '#c8c8c8' -draw "rectangle 0,0 299,329" -stroke none \
  -font DejaVu-Sans-Bold -pointsize 15 -fill '#1d3557' -annotate +48+24 'Cyclone V Pelto Kit' \
  -font DejaVu-Sans -pointsize 10 -fill '#555555' -annotate +48+39 '10/100 Ethernet evaluation board' \
  -fill '#17693a' -draw "roundrectangle 14,52 286,312 10,10" \
  -fill none -stroke '#2f8a52' -strokewidth 1 \
  -draw "line 120,150 60,150 line 60,150 60,250 line 180,150 240,150 line 240,150 240,200" \
  -draw "line 150,200 150,270 line 100,125 100,80 line 200,125 200,80" -stroke none \
  -fill '#e8e8e8' -draw "circle 26,64 30,64 circle 274,64 278,64 circle 26,300 30,300 circle 274,300 278,300" \
  -fill '#c9a227' -draw "rectangle 100,118 200,202" \
  -fill '#202428' -draw "rectangle 104,122 196,198" \
  -fill '#e6e6e6' -font DejaVu-Sans-Bold -pointsize 11 -annotate +118+152 'CYCLONE V' \
  -font DejaVu-Sans -pointsize 8 -annotate +117+168 '5CGXFC9E6F31' \
  -fill '#202428' -draw "rectangle 40,80 80,108 rectangle 220,80 260,108" \
  -fill '#9aa0a6' -font DejaVu-Sans -pointsize 7 -annotate +47+97 'DDR3' -annotate +227+97 'DDR3' \
  -fill '#202428' -draw "rectangle 40,212 76,236" \
  -fill '#9aa0a6' -annotate +45+227 'EPCQ' \
  -fill '#b8bcc0' -draw "rectangle 206,226 272,292" \
  -fill '#6b7075' -draw "rectangle 216,244 262,284" \
  -fill '#f2c94c' -draw "rectangle 210,230 218,236" -fill '#5fd068' -draw "rectangle 260,230 268,236" \
  -fill '#202428' -draw "rectangle 100,250 170,264" \
  -fill '#9aa0a6' -annotate +104+260 'TRV6090 PHY' \
  -fill '#c9a227' -draw "rectangle 24,260 34,300 rectangle 40,290 90,300" \
  -fill '#e0e0e0' -font DejaVu-Sans -pointsize 8 -annotate +100+302 'VANDOK ZPR 10/100M' \
  miff:- | save pelto.JPG

# The emblem: a white V on a blue rounded square.
"$convert_cmd" -size 46x46 "xc:$face" \
  -fill '#1d4e89' -draw "roundrectangle 1,1 44,44 8,8" \
  -fill white -font DejaVu-Sans-Bold -pointsize 32 -gravity center -annotate +0+1 'V' \
  miff:- | save vandok.JPG

# Wordmarks.
"$convert_cmd" -size 240x56 "xc:$face" \
  -fill '#b3261e' -draw "polygon 4,48 22,8 40,48" -fill "$face" -draw "polygon 16,48 22,34 28,48" \
  -fill '#222222' -font DejaVu-Sans-Bold -pointsize 30 -annotate +48+38 'TARVEX' \
  -fill '#666666' -font DejaVu-Sans -pointsize 9 -annotate +50+51 'NETWORK  HARDWARE' \
  miff:- | save tarvex.JPG

"$convert_cmd" -size 160x41 "xc:$face" \
  -fill '#0f7b6c' -draw "circle 18,20 18,4" -fill "$face" -draw "circle 18,20 18,11" \
  -fill '#0f7b6c' -font DejaVu-Sans-Bold -pointsize 22 -annotate +42+29 'BRISAL' \
  miff:- | save brisal.JPG

"$convert_cmd" -size 160x47 "xc:$face" \
  -fill '#1d4e89' -font DejaVu-Sans-Bold -pointsize 24 -annotate +6+28 'VANDOK' \
  -fill '#c9a227' -draw "rectangle 6,33 118,35" \
  -fill '#555555' -font DejaVu-Sans -pointsize 9 -annotate +7+45 'TEST SYSTEMS' \
  miff:- | save vandok_log.JPG

for f in pelto.JPG vandok.JPG tarvex.JPG brisal.JPG vandok_log.JPG; do
  "$convert_cmd" "$out/$f" -format "%f %wx%h\n" info:
done
