#!/usr/bin/env bash
# Closing the window in the middle of a long transfer under Wine: while the transfer
# runs, the commands are locked and the elapsed time counts; closing the window
# then ends the process by itself, cleanly, with no message box on the way.
#   close_transfer.sh -- ddr     a DDR test
#   close_transfer.sh -- flash   a flash image
source "$(dirname "$0")/lib.sh"
wt_init "$@"
kind=${WT_ARGS[0]:-ddr}

# The board takes 200 kB/s: a 4 MiB transfer would need about 20 s.
lab_or_fail --sim-arg --throttle --sim-arg 200000
app_or_fail
discover

case $kind in
  ddr)
    drv select-tab 1 >/dev/null
    set_text "$ID_DDR_START" 20000000
    set_text "$ID_DDR_SIZE" 400000
    click "$ID_DDR_TEST"
    progress=$ID_DDR_PROGRESS elapsed=$ID_DDR_ELAPSED
    ;;
  flash)
    image=$LAB_DIR/image.rpd
    head -c 4194304 /dev/urandom >"$image"
    click "$ID_BROWSE"
    drv open-file "$(win_path "$image")" 15 >/dev/null
    click "$ID_RECONFIG"
    progress=$ID_FLASH_PROGRESS elapsed=$ID_FLASH_ELAPSED
    ;;
  *) wt_fail "unknown case $kind" ;;
esac

step "the transfer runs: progress moves, the commands are locked, time counts"
for ((i = 0; i < 50; i++)); do
  read -r pos _ <<<"$(drv progress "$progress")"
  [ "$pos" -gt 0 ] && break
  sleep 0.1
done
[ "$pos" -gt 0 ] || wt_fail "the progress bar did not move"
for id in "$ID_DDR_TEST" "$ID_RECONFIG" "$ID_BROWSE" "$ID_REG_SEND" "$ID_DISCOVERY"; do
  expect_eq "control $id enabled during the transfer" 0 "$(drv enabled "$id")"
done
for ((i = 0; i < 30; i++)); do
  t=$(text_of "$elapsed")
  [[ $t =~ ^Loading\ time00:0[1-9]$ ]] && break
  sleep 0.1
done
[[ $t =~ ^Loading\ time00:0[1-9]$ ]] || wt_fail "elapsed time text \"$t\" after 3 s"
expect_no_box 0.2

step "closing the window ends the process"
started=$(date +%s%N)
close_and_expect_clean_exit 15
echo "   (ended $(( ($(date +%s%N) - started) / 1000000 )) ms after the close)"
step "the connection is closed on the PC's side"
# What the PC had already queued still drains slowly to the throttled board, so
# its end of the connection is closing (FIN sent), never still established.
for ((i = 0; i < 40; i++)); do
  established=$(lab_pc ss -Htn state established '( dport = :7777 )')
  [ -z "$established" ] && break
  sleep 0.05
done
[ -z "$established" ] || wt_fail "a connection to the board is still established: $established"
