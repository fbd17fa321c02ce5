#!/usr/bin/env bash
# The program without its five picture files beside it: it starts and paints
# without any message, works, and ends cleanly.
source "$(dirname "$0")/lib.sh"
wt_init "$@"

lab_or_fail --no-logos
app_or_fail
[ -z "$(find "$LAB_DIR/app" -iname '*.jpg')" ] || wt_fail "picture files beside the program"

step "no message at start, the window is usable"
expect_no_box 2
expect_text "$ID_STATUS" "You should put discovery"
lab_screenshot "$LAB_DIR/no-pictures.png" || wt_fail "no screenshot"
discover
expect_no_box 0.5

close_and_expect_clean_exit
