#!/usr/bin/env bash
# The DDR test under Wine, end to end: the range checks as the window reports them,
# a 10-byte run checked byte for byte in the simulator's log, and a 4 MiB run that
# ends with "DDR Read Write Success!!".
source "$(dirname "$0")/lib.sh"
wt_init "$@"

# SHA-256 of the test pattern of SIZE bytes: word k holds k (little-endian), the
# bytes past the last whole word are 0xFF.
pattern_sha() {
  python3 -c 'import hashlib, struct, sys
n = int(sys.argv[1])
data = b"".join(struct.pack("<I", k) for k in range(n // 4)) + b"\xff" * (n % 4)
print(hashlib.sha256(data).hexdigest())' "$1"
}

lab_or_fail
app_or_fail
discover
drv select-tab 1 >/dev/null

# run_refused START SIZE MESSAGE
run_refused() {
  set_text "$ID_DDR_START" "$1"
  set_text "$ID_DDR_SIZE" "$2"
  click "$ID_DDR_TEST"
  expect_box "$3" 5
  expect_no_box 0.3
}

# run_ok START-TEXT SIZE-TEXT SIZE: a run that succeeds; checks both commands as the
# board received them, the progress bar and that the buttons are back.
commands=0
run_ok() {
  local start=$((16#$1)) size=$3 sha
  set_text "$ID_DDR_START" "$1"
  set_text "$ID_DDR_SIZE" "$2"
  click "$ID_DDR_TEST"
  expect_box "DDR Read Write Success!!" 60
  expect_no_box 0.3
  commands=$((commands + 2))
  wait_sim_commands "$commands" 5
  sha=$(pattern_sha "$size")
  expect_command $((commands - 1)) ".name == \"DDR_WRITE\" and .command == 3 and .length == $size and .value == 0 and .address == $start and .data_bytes == $size and .sha256 == \"$sha\" and .status == \"ok\""
  expect_command "$commands" ".name == \"DDR_READ\" and .command == 2 and .length == $size and .value == 0 and .address == $start and .data_bytes == $size and .sha256 == \"$sha\" and .status == \"ok\""
  expect_eq "progress after the run" "$((3 * size - 1)) 0 $((3 * size - 1))" "$(drv progress "$ID_DDR_PROGRESS")"
  drv wait-enabled "$ID_DDR_TEST" 1 5 >/dev/null
  expect_enabled "$ID_DISCOVERY" 1
}

step "range checks, in their order, nothing sent"
run_refused 0x20000000 10 "ERROR : DDR Address!"
run_refused zz yy "ERROR : DDR Address!"
run_refused 3FFFFFFF 1 "ERROR : DDR Address Over!"
run_refused 1FFFFFFF 1 "ERROR : DDR Address Over!"
run_refused 20000000 "" "ERROR : User size 0!"
run_refused 20000000 g "ERROR : DDR Size!"
run_refused 3FFFFFFE 2 "ERROR : DDR Size Over!"
run_refused 20000000 FFFFFFFF "ERROR : DDR Size Over!"
sleep 0.3
expect_eq "commands received after the refused runs" 0 "$(sim_command_count)"

step "10 bytes: 00 00 00 00 01 00 00 00 FF FF written and read back"
run_ok 20000000 A 10
step "an odd start address and size at the top of the range"
run_ok 3FFFFFF0 F 15
step "4 MiB"
run_ok 20000000 400000 4194304

close_and_expect_clean_exit
