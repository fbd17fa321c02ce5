#!/usr/bin/env bash
# Discovery end to end under Wine: the connection attempts seen on the wire in the
# PC namespace, in order, the message, the status box and the tab control.
#   discovery.sh -- pc10-board4   PC at .10, board at .4: found by the first try
#   discovery.sh -- pc3-board1    PC at .3, board at .1: found by the last try
#   discovery.sh -- no-private    the PC has no address in 192.168.0.0/16
#   discovery.sh -- no-board      private adapter, nobody listens: three passes, then given up
source "$(dirname "$0")/lib.sh"
wt_init "$@"
case=${WT_ARGS[0]:-pc10-board4}

expect_syns() {
  local want=$1 got
  got=$(lab_capture_stop | sed 's/^192\.168\.77\.//' | paste -sd' ')
  expect_eq "connection attempts on the wire (host numbers)" "$want" "$got"
}

case $case in
  pc10-board4)
    lab_or_fail --pc-host 10 --board-host 4
    app_or_fail
    lab_capture_start || wt_fail "no capture"
    step "discovery finds the board at the first candidate"
    discover 192.168.77.4
    expect_syns "4"
    expect_enabled "$ID_DISCOVERY" 1
    expect_eq "connections seen by the board" 1 "$(sim_event_count connect)"
    expect_eq "commands seen by the board during discovery" 0 "$(sim_command_count)"

    step "a second discovery connects anew and the pages use the new connection"
    lab_capture_start || wt_fail "no capture"
    discover 192.168.77.4
    lab_capture_stop >/dev/null
    for ((i = 0; i < 40; i++)); do [ "$(sim_event_count connect)" -ge 2 ] && break; sleep 0.05; done
    expect_eq "connections seen by the board" 2 "$(sim_event_count connect)"
    drv select-tab 2 >/dev/null
    set_text "$ID_REG_ADDRESS" 24
    set_text "$ID_REG_VALUE" 5A
    click "$ID_REG_SEND"
    wait_sim_commands 1 5
    expect_command 1 '.command == 4 and .address == 36 and .value == 90'
    expect_no_box 0.3
    ;;

  pc3-board1)
    lab_or_fail --pc-host 3 --board-host 1
    app_or_fail
    lab_capture_start || wt_fail "no capture"
    step "discovery finds the board at the last candidate"
    discover 192.168.77.1
    expect_syns "4 4 2 4 4 4 5 4 6 4 7 4 8 1"
    expect_eq "connections seen by the board" 1 "$(sim_event_count connect)"
    ;;

  no-private)
    lab_or_fail --no-private --pc-host 10
    app_or_fail
    lab_capture_start || wt_fail "no capture"
    step "no adapter in 192.168.0.0/16: no attempt, the board network is reported missing"
    click "$ID_DISCOVERY"
    expect_box "ERROR : Can not find Broad!" 15
    expect_no_box 0.5
    expect_text "$ID_STATUS" "Check cable and put discovery"
    expect_enabled "$ID_TABS" 0
    expect_syns ""
    ;;

  no-board)
    lab_or_fail --pc-host 10 --no-sim
    app_or_fail
    lab_capture_start || wt_fail "no capture"
    step "nobody accepts: three passes of the candidates, then the no-board message"
    click "$ID_DISCOVERY"
    expect_box "ERROR : Can not find Broad!" 40
    expect_no_box 0.5
    expect_text "$ID_STATUS" "Check cable and put discovery"
    expect_enabled "$ID_TABS" 0
    drv wait-enabled "$ID_DISCOVERY" 1 5 >/dev/null
    pass="4 6 7 8 9 10 11 12 13"
    expect_syns "$pass $pass $pass"
    ;;

  *) wt_fail "unknown case $case" ;;
esac

close_and_expect_clean_exit
