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
trap lab_down EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

die() { echo "lab-screenshots: $*" >&2; exit 1; }
drv() { lab_drv "$@" || die "driver step '$*' failed"; }

shot() {
  local l t w h
  read -r l t w h <<<"$(drv window-rect)"
  sleep 0.3
  import -display "$DISPLAY" -window root -crop "${w}x${h}+${l}+${t}" +repage "$out/$1.png" || die "no screenshot"
  echo "$out/$1.png"
}

# 400 kB/s: a 4 MiB write and read-back take about 20 s.
lab_up --headless --dir "$out/lab" --sim-arg --throttle --sim-arg 400000 || die "the lab did not come up"
lab_start_app || die "the program did not start"
shot start
drv click 1016 >/dev/null
[ "$(drv messagebox 30)" = "SUCCES : Found device!" ] || die "discovery failed"
drv wait-text 1029 "$LAB_BOARD_IP" 5 >/dev/null
shot discovered
shot page-epsq
drv select-tab 2 >/dev/null
shot page-register
drv select-tab 1 >/dev/null
shot page-ddr
drv set-text 1027 20000000 >/dev/null
drv set-text 1028 400000 >/dev/null
drv click 1013 >/dev/null
sleep 4
shot ddr-running
drv messagebox 60 >/dev/null
drv close >/dev/null
lab_wait_app_exit 10
