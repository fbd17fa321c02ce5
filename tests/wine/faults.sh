#!/usr/bin/env bash
# The fault matrix under Wine: every fault the simulator can inject, a board that
# goes away or refuses, and the window closed while the board hangs, each run end to
# end through the window. For each case: what the user sees, what still works
# afterwards, and that nothing hangs or crashes. The run writes the table to
# $LAB_DIR/fault-matrix.md.
source "$(dirname "$0")/lib.sh"
wt_init "$@"

MATRIX=$LAB_DIR/fault-matrix.md
{
  echo "| Fault (simulator flag) | What the user does | What the user sees | Afterwards |"
  echo "|---|---|---|---|"
} >"$MATRIX"
row() { echo "| $1 | $2 | $3 | $4 |" >>"$MATRIX"; }

# A fresh board with these fault flags, and the window connected to it.
board() {
  lab_stop_sim
  lab_start_sim "$@" || wt_fail "the simulator did not start with $*"
  discover
}

# ddr START-HEX SIZE-HEX: starts a DDR test on the "DDR RW" page.
ddr() {
  drv select-tab 1 >/dev/null
  set_text "$ID_DDR_START" "$1"
  set_text "$ID_DDR_SIZE" "$2"
  click "$ID_DDR_TEST"
}

# register_write: one register write that must reach the board.
register_write_ok() {
  local before
  before=$(sim_command_count)
  drv select-tab 2 >/dev/null
  set_text "$ID_REG_ADDRESS" 40
  set_text "$ID_REG_VALUE" 1
  click "$ID_REG_SEND"
  wait_sim_commands $((before + 1)) 5
  expect_no_box 0.3
}

# The first "Send" on a connection the board has closed fails at once: the
# closed connection is noticed before the command goes out.
register_write_fails() {
  local box=''
  drv select-tab 2 >/dev/null
  click "$ID_REG_SEND"
  lab_drv messagebox-owner 3 >/dev/null 2>&1 && box=$(drv messagebox)
  expect_eq "register write on a dead connection" "ERROR : Send Register failed!" "$box"
}

# flash_start FILE MIB: a random image of MIB MiB, chosen and started on "EPSQ Reconfig".
flash_start() {
  head -c $(($2 * 1048576)) /dev/urandom >"$1"
  drv select-tab 0 >/dev/null
  click "$ID_BROWSE"
  drv open-file "$(win_path "$1")" 15 >/dev/null
  click "$ID_RECONFIG"
}

# The window is closed while the board hangs: the process ends by itself.
close_while_hanging() {
  expect_no_box 3.5
  for id in "$ID_DDR_TEST" "$ID_RECONFIG" "$ID_REG_SEND" "$ID_DISCOVERY"; do
    expect_eq "control $id enabled while the board hangs" 0 "$(drv enabled "$id")"
  done
  close_and_expect_clean_exit 15
  app_or_fail
}

lab_or_fail --no-sim
app_or_fail

step "a corrupted DDR read"
board --corrupt-read
ddr 20000000 10000
expect_box "ERROR : write read data compare failed!" 30
expect_no_box 0.3
register_write_ok
row "one bit flipped in a DDR read (--corrupt-read)" "DDR test of 64 KiB" "\"ERROR : write read data compare failed!\"" "connection kept: the next command reaches the board"

step "the board closes the connection in the middle of a DDR read"
board --close-mid-read
ddr 20000000 40000
expect_box "ERROR : write receive failed!" 30
expect_no_box 0.3
register_write_fails
row "connection closed half-way through a DDR read (--close-mid-read)" "DDR test of 256 KiB" "\"ERROR : write receive failed!\"; no comparison" "the next command reports its send failure; \"Discovery\" reconnects"

step "the board sends more than it was asked for"
board --extra-read-bytes 100
ddr 20000000 10000
expect_box "DDR Read Write Success!!" 30
expect_no_box 0.3
ddr 20000000 10000
second=$(drv messagebox 30)
case $second in
  "DDR Read Write Success!!" | "ERROR : write read data compare failed!") ;;
  *) wt_fail "second DDR test after extra bytes: unexpected \"$second\"" ;;
esac
expect_no_box 0.3
row "100 bytes more after each DDR read (--extra-read-bytes 100)" "two DDR tests of 64 KiB" "\"DDR Read Write Success!!\", then \"$second\"" "no crash; the window stays usable"

step "the board accepts and closes at once"
board --close-on-accept
register_write_fails
row "connection closed as soon as accepted (--close-on-accept)" "discovery, then a register write" "\"SUCCES : Found device!\", then \"ERROR : Send Register failed!\"" "\"Discovery\" can be pressed again"

step "the board has gone between two commands"
board
register_write_ok
lab_stop_sim
drv select-tab 2 >/dev/null
register_write_fails
ddr 20000000 10
expect_box "ERROR : Send header failed!" 10
expect_box "ERROR : Send header failed!" 10
expect_box "ERROR : write read data compare failed!" 10
expect_no_box 0.3
drv wait-enabled "$ID_DDR_TEST" 1 5 >/dev/null
row "simulator stopped after a register write" "register write, then a DDR test of 10 bytes" "\"ERROR : Send Register failed!\"; \"ERROR : Send header failed!\" twice, then \"ERROR : write read data compare failed!\"" "no hang; buttons enabled again"

step "the board never answers a DDR read"
board --silent-read
ddr 20000000 10000
expect_no_box 25
expect_box "ERROR : write receive failed!" 15
expect_no_box 0.3
register_write_fails
row "DDR read never answered (--silent-read)" "DDR test of 64 KiB" "\"ERROR : write receive failed!\" after 30 s of silence" "connection closed: the next command reports its send failure"

step "the board stops all traffic in the middle of a flash image"
board --stall-after 300000
# Larger than what the two TCP stacks can buffer between them, so that the
# program's sends block once the board stops reading.
flash_start "$LAB_DIR/image.rpd" 32
close_while_hanging
row "all traffic stops after 300000 bytes (--stall-after 300000)" "flash image of 32 MiB, then close the window within 30 s" "no message while the window waits" "closing the window ends the process at once, cleanly"

step "the image file is cut short while it streams"
board --throttle 2000000
flash_start "$LAB_DIR/cut.rpd" 16
sleep 2
truncate -s 1048576 "$LAB_DIR/cut.rpd"
expect_box "ERROR : Read rpt file failed!" 30
expect_no_box 0.3
flash_log=''
for _ in $(seq 50); do
  flash_log=$(grep '"FLASH_IMAGE"' "$LAB_SIM_LOG" | tail -n 1) && [ -n "$flash_log" ] && break
  sleep 0.1
done
case $flash_log in
  '' | *'"status":"ok"'*) wt_fail "the board did not see a cut transfer: ${flash_log:-no flash record}" ;;
esac
register_write_fails
row "image file cut to 1 MiB while a 16 MiB image streams (--throttle 2000000)" "flash image" "\"ERROR : Read rpt file failed!\", never \"Reconfig Complete!!\"" "the board sees a cut transfer; the next command reports its send failure"

step "nobody accepts connections"
lab_stop_sim
click "$ID_DISCOVERY"
expect_box "ERROR : Can not find Broad!" 40
expect_no_box 0.3
expect_text "$ID_STATUS" "Check cable and put discovery"
expect_enabled "$ID_TABS" 0
expect_enabled "$ID_DISCOVERY" 1
row "no board listening: every candidate refuses" "discovery" "\"ERROR : Can not find Broad!\" after three passes; status \"Check cable and put discovery\"" "tabs disabled; \"Discovery\" can be pressed again"

close_and_expect_clean_exit
echo "-- fault matrix ($MATRIX):"
cat "$MATRIX"
