#!/usr/bin/env bash
# The register write under Wine, end to end: the commands the board receives, the
# field errors (and that nothing is sent after one), and the send failure once the
# board has gone.
source "$(dirname "$0")/lib.sh"
wt_init "$@"

lab_or_fail
app_or_fail
discover
drv select-tab 2 >/dev/null

sent=0
# write ADDRESS-TEXT VALUE-TEXT ADDRESS VALUE: a write that succeeds silently and
# reaches the board as one bare header.
write_ok() {
  set_text "$ID_REG_ADDRESS" "$1"
  set_text "$ID_REG_VALUE" "$2"
  click "$ID_REG_SEND"
  sent=$((sent + 1))
  wait_sim_commands "$sent" 5
  expect_command "$sent" ".command == 4 and .name == \"REGISTER_WRITE\" and .length == 0 and .data_bytes == 0 and .address == $3 and .value == $4 and .status == \"ok\""
}

# write_refused ADDRESS-TEXT VALUE-TEXT MESSAGE: one box, nothing sent.
write_refused() {
  set_text "$ID_REG_ADDRESS" "$1"
  set_text "$ID_REG_VALUE" "$2"
  click "$ID_REG_SEND"
  expect_box "$3" 5
  expect_no_box 0.3
  # The fields keep what was typed.
  expect_text "$ID_REG_ADDRESS" "$1"
  expect_text "$ID_REG_VALUE" "$2"
}

step "the fields as the window starts them: value 0 to address 0"
expect_text "$ID_REG_ADDRESS" 0
expect_text "$ID_REG_VALUE" 0
write_ok 0 0 0 0
step "writes reach the board with their address and value"
write_ok 10 AB 16 171
write_ok FFFFFFFF ffffffff 4294967295 4294967295
write_ok 00000001 DeadBeef 1 3735928559
write_ok "" "" 0 0
expect_no_box 0.5

step "field errors: one message each, the address checked first, nothing sent"
set_text "$ID_REG_ADDRESS" 0x10
click "$ID_REG_SEND"
# The field messages belong to the window; the send failure below has no owner.
expect_eq "owner of the field message" main "$(drv messagebox-owner 5)"
expect_box "ERROR : Address!"
write_refused 0x10 1 "ERROR : Address!"
write_refused 123456789 1 "ERROR : Address!"
write_refused " 1" 1 "ERROR : Address!"
write_refused 10 zz "ERROR : Value!"
write_refused 10 "-1" "ERROR : Value!"
write_refused 10 100000000 "ERROR : Value!"
write_refused g "bad value" "ERROR : Address!"
write_refused "$(printf 'A%.0s' {1..300})" 1 "ERROR : Address!"
sleep 0.3
expect_eq "commands received after the refused writes" "$sent" "$(sim_command_count)"
write_ok 20 2 32 2

step "the board goes away: the send fails"
lab_stop_sim
set_text "$ID_REG_ADDRESS" 30
set_text "$ID_REG_VALUE" 3
# The first send after the board closed its end may still be accepted by the
# PC's stack; the board's reset makes the next one fail.
box=
for try in 1 2 3; do
  click "$ID_REG_SEND"
  if owner=$(lab_drv messagebox-owner 1.5 2>/dev/null); then
    box=$(drv messagebox)
    break
  fi
done
echo "   (failed at press $try)"
expect_eq "message after the board has gone" "ERROR : Send Register failed!" "$box"
expect_eq "owner of the send failure message" none "$owner"
expect_no_box 0.3

close_and_expect_clean_exit
