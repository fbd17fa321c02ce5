#!/usr/bin/env bash
# The main job, shown without a display: the lab (scripts/lab.sh) on Xvfb, and the
# window driven through discovery, a register write, a DDR test and a flash image
# against the simulated board. After each step a picture of the window (with the
# box it showed); one line per step with what the window said and where the picture
# is. Everything lands in build/lab/run-*/. Exits 0 only when every step did what it
# should; the lab is torn down either way. About a minute.
#   scripts/walkthrough.sh [LAB-OPTIONS]     (scripts/run.sh runs it when no display answers)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lab.sh"
source "$root/scripts/lab-steps.sh"
trap lab_down EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

ID_DISCOVERY=1016 ID_STATUS=1029
ID_REG_ADDRESS=1017 ID_REG_VALUE=1021 ID_REG_SEND=1020
ID_DDR_START=1027 ID_DDR_SIZE=1028 ID_DDR_TEST=1013
ID_BROWSE=1004 ID_RECONFIG=1005
TAB_EPSQ=0 TAB_DDR=1 TAB_REGISTER=2

dir=$(lab_run_dir)
mkdir -p "$dir"
STEPS_NAME=walkthrough STEPS_OUT=$dir
image=$dir/image.rpd received=$dir/received.rpd
head -c $((1 << 20)) /dev/urandom >"$image"
image_sha=$(sha256sum "$image" | cut -d' ' -f1)

started=$SECONDS
lab_up --headless --dir "$dir" --sim-arg --flash-out --sim-arg "$received" "$@" || steps_die "the lab did not come up"
lab_start_app || steps_die "the program did not start (see $dir/app.out)"
echo "walkthrough: the program under Wine on Xvfb $DISPLAY, the simulated board at $LAB_BOARD_IP; all in $dir"

# What the current step saw: the window's words, a failed check, its picture's name.
said='' problem='' pic=''

# answer WANT SECS: waits for the window's box, takes the step's picture with it
# open, then presses OK. True when the box reads WANT.
answer() {
  if ! said=$(lab_drv messagebox --keep "$2"); then
    said="no box within $2 s" problem=
    steps_shot "$pic" >/dev/null
    return 1
  fi
  steps_shot "$pic" >/dev/null
  steps_drv messagebox 5 >/dev/null
  [ "$said" = "$1" ] || problem="expected \"$1\""
  said="\"$said\""
  [ -z "$problem" ]
}

# board_got WHAT JQ-FILTER: the simulator logs a command that satisfies the filter
# within a few seconds.
board_got() {
  local i
  for ((i = 0; i < 100; i++)); do
    jq -c "select(has(\"command\")) | select($2)" "$LAB_SIM_LOG" 2>/dev/null | grep -q . && return 0
    sleep 0.05
  done
  problem="the board did not log $1"
  return 1
}

step_discovery() {
  steps_drv click "$ID_DISCOVERY" >/dev/null
  answer "SUCCES : Found device!" 30 || return 1
  steps_drv wait-text "$ID_STATUS" "$LAB_BOARD_IP" 5 >/dev/null
}

# A register write succeeds silently: no box, and the board has the value.
step_register() {
  steps_drv select-tab "$TAB_REGISTER" >/dev/null
  steps_drv set-text "$ID_REG_ADDRESS" 10 >/dev/null
  steps_drv set-text "$ID_REG_VALUE" DEADBEEF >/dev/null
  steps_drv click "$ID_REG_SEND" >/dev/null
  if said=$(lab_drv messagebox --keep 1 2>/dev/null); then
    steps_shot "$pic" >/dev/null
    steps_drv messagebox 5 >/dev/null
    said="\"$said\"" problem="expected no box"
    return 1
  fi
  said="(no box)"
  board_got "the write" '.name == "REGISTER_WRITE" and .address == 16 and .value == 3735928559 and .status == "ok"'
  local ok=$?
  steps_shot "$pic" >/dev/null
  [ $ok = 0 ] && said="(no box; the board got 0xDEADBEEF at 0x10)"
  return $ok
}

step_ddr() {
  steps_drv select-tab "$TAB_DDR" >/dev/null
  steps_drv set-text "$ID_DDR_START" 20000000 >/dev/null
  steps_drv set-text "$ID_DDR_SIZE" 1000000 >/dev/null
  steps_drv click "$ID_DDR_TEST" >/dev/null
  answer "DDR Read Write Success!!" 60 || return 1
  board_got "the 16 MiB write" '.name == "DDR_WRITE" and .address == 536870912 and .data_bytes == 16777216 and .status == "ok"' &&
    board_got "the 16 MiB read" '.name == "DDR_READ" and .address == 536870912 and .data_bytes == 16777216 and .status == "ok"'
}

step_flash() {
  steps_drv select-tab "$TAB_EPSQ" >/dev/null
  steps_drv click "$ID_BROWSE" >/dev/null
  steps_drv open-file "Z:${image//\//\\}" 15 >/dev/null
  steps_drv click "$ID_RECONFIG" >/dev/null
  answer "Reconfig Complete!!" 60 || return 1
  board_got "the image whole" ".name == \"FLASH_IMAGE\" and .data_bytes == 1048576 and .sha256 == \"$image_sha\" and .padding_ok and .status == \"ok\"" &&
    { cmp -s "$image" "$received" || { problem="the board wrote other bytes"; return 1; }; }
}

failed=0
# run N NAME TITLE: runs step_NAME and reports it on one line.
run() {
  local t=$SECONDS status=0
  said='' problem='' pic="$1-$2"
  "step_$2" || status=$?
  printf '%s/4 %-20s %-4s %-48s %3ss  %s\n' "$1" "$3" "$([ $status = 0 ] && echo ok || echo FAIL)" \
    "$said${problem:+ ($problem)}" $((SECONDS - t)) "$dir/$pic.png"
  [ $status = 0 ] || failed=$((failed + 1))
  return $status
}

if run 1 discovery "discovery"; then
  run 2 register "register write"
  run 3 ddr "DDR test 16 MiB"
  run 4 flash "flash image 1 MiB"
else
  echo "walkthrough: no board found; the other steps need one"
fi

steps_drv close >/dev/null
lab_wait_app_exit 10 || { echo "walkthrough: the program did not end cleanly"; failed=$((failed + 1)); }
if [ $failed = 0 ]; then
  echo "walkthrough: every step passed in $((SECONDS - started)) s; logs and pictures in $dir"
else
  echo "walkthrough: $failed step(s) failed; logs and pictures in $dir"
fi
[ $failed = 0 ]
