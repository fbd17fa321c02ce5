#!/usr/bin/env bash
# Screenshots of the real program under Wine, taken in the lab without a display:
# the window at start, after discovery, each page, and a DDR test under way (the
# simulated board throttled so that the run lasts a few seconds).
#   scripts/lab-screenshots.sh [OUT-DIR]     (default build/screenshots)
# Writes start.png, discovered.png, page-epsq.png, page-ddr.png, page-register.png,
# ddr-running.png, each cropped to the main window.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$root/build/screenshots}" && cd "${1:-$root/build/screenshots}" && pwd)
source "$root/scripts/lab.sh"
source "$root/scripts/lab-steps.sh"
STEPS_NAME=lab-screenshots STEPS_OUT=$out
trap lab_down EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# 400 kB/s: a 4 MiB write and read-back take about 20 s.
lab_up --headless --dir "$out/lab" --sim-arg --throttle --sim-arg 400000 || steps_die "the lab did not come up"
lab_start_app || steps_die "the program did not start"
steps_shot start
steps_drv click 1016 >/dev/null
[ "$(steps_drv messagebox 30)" = "SUCCES : Found device!" ] || steps_die "discovery failed"
steps_drv wait-text 1029 "$LAB_BOARD_IP" 5 >/dev/null
steps_shot discovered
steps_shot page-epsq
steps_drv select-tab 2 >/dev/null
steps_shot page-register
steps_drv select-tab 1 >/dev/null
steps_shot page-ddr
steps_drv set-text 1027 20000000 >/dev/null
steps_drv set-text 1028 400000 >/dev/null
steps_drv click 1013 >/dev/null
sleep 4
steps_shot ddr-running
steps_drv messagebox 60 >/dev/null
steps_drv close >/dev/null
lab_wait_app_exit 10
