# shellcheck shell=bash disable=SC2034  # sourced by the tests, which use the ids
# Shared by the Wine tests: runs a test in the lab (scripts/lab.sh), drives the
# window through tests/wine/driver and checks what the simulator logged.
#
# A test script sources this file and calls wt_init "$@". Arguments, as CTest passes
# them (all optional when run by hand from the source tree):
#   --sim PATH        the simulator (default build/linux/sim/vandok-board-sim)
#   --win-build DIR   the Windows build with the program and the driver (default build/win)
#   --out DIR         where each test keeps its lab folder (logs, simulator log, screenshots)
#   --name NAME       the test's name (folder under --out)
#   --                the test's own arguments follow, in WT_ARGS
# Exit codes: 0 pass, 1 fail, 77 skipped (no wine, Xvfb, root, program, driver or simulator).

set -uo pipefail

WT_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=../../scripts/lab.sh
source "$WT_ROOT/scripts/lab.sh"

MAIN_TITLE="VandokTestSystem-100Mb Ethernet"
# Control ids of the window.
ID_DISCOVERY=1016 ID_STATUS=1029 ID_TABS=1000
ID_REG_ADDRESS=1017 ID_REG_VALUE=1021 ID_REG_SEND=1020
ID_DDR_START=1027 ID_DDR_SIZE=1028 ID_DDR_TEST=1013 ID_DDR_PROGRESS=1012 ID_DDR_ELAPSED=1014 ID_DDR_TOTAL=1015
ID_BROWSE=1004 ID_RECONFIG=1005 ID_FLASH_PROGRESS=1006 ID_FLASH_ELAPSED=1007 ID_FLASH_TOTAL=1008 ID_MEMORY_MAP=1026

WT_NAME=$(basename "$0" .sh)
WT_START=$(date +%s.%N)

wt_skip() {
  echo "SKIP: $*"
  exit 77
}

wt_init() {
  local out='' win=$WT_ROOT/build/win sim=$WT_ROOT/build/linux/sim/vandok-board-sim
  WT_ARGS=()
  while [ $# -gt 0 ]; do
    case $1 in
      --sim) sim=$2; shift 2 ;;
      --win-build) win=$2; shift 2 ;;
      --out) out=$2; shift 2 ;;
      --name) WT_NAME=$2; shift 2 ;;
      --) shift; WT_ARGS=("$@"); break ;;
      *) WT_ARGS+=("$1"); shift ;;
    esac
  done
  export LAB_SIM=$sim
  export LAB_EXE=$win/app/VandokTestSystem.exe
  export LAB_DRIVER_EXE=$win/tests/wine/driver/vandok-driver.exe
  [ "$(id -u)" = 0 ] || wt_skip "needs root for network namespaces"
  command -v wine >/dev/null || wt_skip "wine is not installed"
  command -v Xvfb >/dev/null || wt_skip "Xvfb is not installed"
  command -v tcpdump >/dev/null || wt_skip "tcpdump is not installed"
  command -v jq >/dev/null || wt_skip "jq is not installed"
  [ -f "$LAB_EXE" ] || wt_skip "no program at $LAB_EXE (build the Windows tree)"
  [ -f "$LAB_DRIVER_EXE" ] || wt_skip "no driver at $LAB_DRIVER_EXE (build the Windows tree)"
  [ -x "$LAB_SIM" ] || wt_skip "no simulator at $LAB_SIM"
  ip netns add "vdk-probe-$$" 2>/dev/null || wt_skip "cannot create network namespaces"
  ip netns del "vdk-probe-$$"
  out=${out:-$WT_ROOT/build/wine-tests}
  mkdir -p "$out"
  # Another run of the same test (a second ctest in the same tree) keeps its own folder.
  export LAB_DIR=$out/$WT_NAME
  exec {WT_DIR_LOCK}>>"$LAB_DIR.lock"
  flock -n "$WT_DIR_LOCK" || LAB_DIR=$out/$WT_NAME.$$
  rm -rf "$LAB_DIR" && mkdir -p "$LAB_DIR"
  trap 'wt_finish' EXIT
  trap 'wt_fail "interrupted"' INT
  trap 'wt_fail "terminated"' TERM
  echo "== $WT_NAME (logs in $LAB_DIR)"
}

wt_finish() {
  local status=$?
  trap - EXIT INT TERM
  lab_down
  awk -v n="$WT_NAME" -v s="$status" -v a="$WT_START" -v b="$(date +%s.%N)" \
    'BEGIN { printf "== %s: %s after %.1f s\n", n, (s == 0 ? "passed" : s == 77 ? "skipped" : "FAILED"), b - a }' 
  exit "$status"
}

# Reports the failure with what the window and the logs show, then ends the test.
wt_fail() {
  echo "FAIL: $*" >&2
  # Inside $(...) only the message; the test itself reports the rest when it fails.
  [ "$BASH_SUBSHELL" -gt 0 ] && exit 1
  if [ -n "${LAB_PC_NS:-}" ] && [ -n "${LAB_APP_PID:-}" ]; then
    echo "-- windows at the failure:" >&2
    lab_drv dump >&2 2>/dev/null
    lab_screenshot "$LAB_DIR/failure.png" && echo "-- screenshot: $LAB_DIR/failure.png" >&2
  fi
  local f
  for f in app.out sim.out; do
    [ -s "$LAB_DIR/$f" ] && { echo "-- $f (last lines):" >&2; tail -n 15 "$LAB_DIR/$f" >&2; }
  done
  [ -n "${LAB_SIM_LOG:-}" ] && [ -s "$LAB_SIM_LOG" ] && { echo "-- simulator log:" >&2; tail -n 15 "$LAB_SIM_LOG" >&2; }
  exit 1
}

step() { echo "-- $*"; }

lab_or_fail() {
  lab_up "$@" || wt_fail "the lab did not come up"
}

app_or_fail() {
  lab_start_app "$@" || wt_fail "the program did not start"
}

# drv COMMAND ARGS...: the driver; its output on stdout, fails the test on a
# time-out or refusal.
drv() {
  local out status
  out=$(lab_drv "$@")
  status=$?
  [ $status = 0 ] || wt_fail "driver '$*' ended with $status${out:+: $out}"
  printf '%s\n' "$out"
}

expect_eq() {
  local what=$1 want=$2 got=$3
  [ "$got" = "$want" ] || wt_fail "$what: expected \"$want\", got \"$got\""
}

# expect_box TEXT [SECS]: the next message box reads TEXT; it is answered with OK.
expect_box() {
  local want=$1 secs=${2:-10} got
  got=$(lab_drv messagebox "$secs") || wt_fail "no message box \"$want\" within $secs s${got:+ ($got)}"
  expect_eq "message box" "$want" "$got"
}

# expect_no_box SECS: no message box shows up meanwhile.
expect_no_box() {
  local got
  got=$(lab_drv no-messagebox "${1:-1}") || wt_fail "unexpected message box \"$got\""
}

text_of() { drv text "$1"; }
expect_text() { expect_eq "text of control $1" "$2" "$(text_of "$1")"; }
expect_enabled() { expect_eq "enabled state of control $1" "$2" "$(drv enabled "$1")"; }

set_text() { drv set-text "$1" "${2-}" >/dev/null; }
click() { drv click "$1" >/dev/null; }

# Presses "Discovery" and expects the board at IP to be found.
discover() {
  local ip=${1:-$LAB_BOARD_IP}
  click "$ID_DISCOVERY"
  expect_box "SUCCES : Found device!" 30
  drv wait-text "$ID_STATUS" "$ip" 5 >/dev/null
  drv wait-enabled "$ID_TABS" 1 5 >/dev/null
}

# ---- simulator log --------------------------------------------------------------

# Command records (not connection events) of the simulator log, one JSON object a line.
sim_commands() {
  [ -f "$LAB_SIM_LOG" ] || return 0
  jq -c 'select(has("command"))' "$LAB_SIM_LOG"
}

sim_command_count() { sim_commands | wc -l; }

# wait_sim_commands N [SECS]: waits until the log holds N command records.
wait_sim_commands() {
  local n=$1 secs=${2:-10} i
  for ((i = 0; i < secs * 20; i++)); do
    [ "$(sim_command_count)" -ge "$n" ] && return 0
    sleep 0.05
  done
  wt_fail "the simulator logged $(sim_command_count) commands, expected $n"
}

# sim_command K: the K-th command record (1-based).
sim_command() { sim_commands | sed -n "${1}p"; }

# expect_command K JQ-FILTER: the K-th command record satisfies the jq filter.
expect_command() {
  local rec
  rec=$(sim_command "$1")
  [ -n "$rec" ] || wt_fail "no command record $1 in the simulator log"
  [ "$(jq -r "$2" <<<"$rec")" = true ] || wt_fail "command record $1 is $rec; expected $2"
}

sim_event_count() {
  [ -f "$LAB_SIM_LOG" ] || { echo 0; return; }
  jq -c "select(.event == \"$1\")" "$LAB_SIM_LOG" | wc -l
}

# ---- the end of the program ---------------------------------------------------------

# Closes the window and expects the process to end by itself, with status 0, no
# message box on the way and no crash report from Wine.
close_and_expect_clean_exit() {
  local secs=${1:-10} status
  drv close >/dev/null
  lab_wait_app_exit "$secs"
  status=$?
  if [ $status = 124 ]; then
    local box
    box=$(lab_drv messagebox --keep 0.5) && wt_fail "the program did not end: a box \"$box\" is open"
    wt_fail "the program did not end within $secs s of closing its window"
  fi
  [ $status = 0 ] || wt_fail "the program ended with status $status"
  expect_no_crash
}

expect_no_crash() {
  if grep -aE "Unhandled exception|page fault|Backtrace:|winedbg|err:seh" "$LAB_DIR/app.out" >/dev/null 2>&1; then
    wt_fail "Wine reports a crash of the program (see $LAB_DIR/app.out)"
  fi
}

# A Windows path for a file in the lab folder.
win_path() { echo "Z:${1//\//\\}"; }
