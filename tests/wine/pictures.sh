#!/usr/bin/env bash
# The logo pictures under Wine, checked on a screenshot's pixels: five solid-colour
# pictures of known sizes stand in for the logos, and each must cover exactly its
# place, clamped to its maximum size (width and height each on their own), also
# after another window has covered part of the dialog. With the lab's font
# replacement (resources/wine-fonts.reg) the window has its Windows size, so the
# two bottom pictures stand whole.
source "$(dirname "$0")/lib.sh"
wt_init "$@"
command -v /usr/bin/convert >/dev/null || wt_skip "ImageMagick is not installed"
[[ $(fc-list : family) == *"DejaVu Sans Condensed"* ]] || wt_skip "DejaVu Sans Condensed is not installed (scripts/install-deps.sh)"

logos=$LAB_DIR/logos
mkdir -p "$logos"
# name colour size dpi: at 96 dpi a picture's pixels are screen pixels; the 72-dpi
# one is 400 x 133 on the screen before its place clamps it.
while read -r name colour size dpi; do
  /usr/bin/convert -size "$size" "xc:#$colour" -units PixelsPerInch -density "$dpi" -quality 95 "$logos/$name" ||
    wt_fail "cannot make $name"
done <<'PICTURES'
pelto.JPG ff0000 400x200 96
vandok.JPG 00ff00 100x50 96
tarvex.JPG 0000ff 300x100 72
brisal.JPG ffff00 50x20 96
vandok_log.JPG ff00ff 200x60 96
PICTURES

lab_or_fail --logos "$logos" --no-sim
app_or_fail

# Places in client pixels: x, y and the drawn size, then how many pixels of the box
# show something else: none, but where green lies over red's corner (90 x 20) and
# the "Discovery" button over green's.
check_places() {
  local shot=$LAB_DIR/$1.png client want got
  lab_screenshot "$shot" || wt_fail "no screenshot"
  client=$(drv client-rect)
  expect_eq "client area size on $1.png" "735 541" "$(cut -d' ' -f3- <<<"$client")"
  want="red 20 120 329 319 1800
green 10 90 109 139 1200
blue 30 10 269 65 whole
yellow 10 480 59 499 whole
magenta 180 480 339 526 whole"
  # shellcheck disable=SC2086
  got=$(python3 "$(dirname "$0")/colour_boxes.py" "$shot" $client \
    red=ff0000 green=00ff00 blue=0000ff yellow=ffff00 magenta=ff00ff) || wt_fail "cannot read $shot"
  expect_eq "picture places on $1.png (name x0 y0 x1 y1 fill)" "$want" "$got"
}

step "each picture at its place: natural size, squeezed to its width, clamped to both"
expect_no_box 0.5
check_places start

step "covered by the About box and uncovered: drawn whole again"
drv sysmenu-about >/dev/null
drv wait-window "About VandokTestSystem" 5 >/dev/null
drv --window "About VandokTestSystem" click 1 >/dev/null
drv wait-gone "About VandokTestSystem" 5 >/dev/null
sleep 0.3
check_places uncovered

close_and_expect_clean_exit
