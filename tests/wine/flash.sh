#!/usr/bin/env bash
# The flash image under Wine, end to end: chosen through the "Browse..." open-file
# dialog, streamed by "Reconfig", received whole by the board (length, padding,
# SHA-256, and the bytes themselves through the simulator's --flash-out).
source "$(dirname "$0")/lib.sh"
wt_init "$@"

image=$LAB_DIR/image.rpd
received=$LAB_DIR/received.rpd
# 200000 bytes: four chunks, the last one padded with 0xFF.
head -c 200000 /dev/urandom >"$image"
sha=$(sha256sum "$image" | cut -d' ' -f1)

lab_or_fail --sim-arg --flash-out --sim-arg "$received"
app_or_fail
discover

step "\"Reconfig\" before any image was chosen"
click "$ID_RECONFIG"
expect_box "ERROR : Can not open rpt file!" 5
expect_no_box 0.3

# reconfig_ok N: "Reconfig" sends the image; the board's N-th command is that image.
reconfig_ok() {
  rm -f "$received"
  click "$ID_RECONFIG"
  expect_box "Reconfig Complete!!" 60
  expect_no_box 0.3
  wait_sim_commands "$1" 5
  expect_command "$1" ".name == \"FLASH_IMAGE\" and .command == 1 and .length == 200000 and .value == 0 and .address == 6291456 and .data_bytes == 200000 and .sha256 == \"$sha\" and .padding_ok == true and .status == \"ok\""
  cmp -s "$image" "$received" || wt_fail "the board received other bytes than the image's"
  expect_eq "progress after the image" "196607 0 199999" "$(drv progress "$ID_FLASH_PROGRESS")"
  drv wait-enabled "$ID_RECONFIG" 1 5 >/dev/null
  expect_enabled "$ID_BROWSE" 1
}

step "an image chosen with \"Browse...\" arrives whole"
click "$ID_BROWSE"
drv open-file "$(win_path "$image")" 15 >/dev/null
expect_no_box 0.3
reconfig_ok 1

step "cancelling the dialog keeps the image; \"Reconfig\" sends it again"
click "$ID_BROWSE"
drv cancel-file 15 >/dev/null
reconfig_ok 2

close_and_expect_clean_exit
