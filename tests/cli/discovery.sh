#!/usr/bin/env bash
# vandok-cli discover on a private network of two namespaces (scripts/lab.sh,
# without Wine or X): the tries seen on the wire in the window's order, the
# address printed, and the two ways of finding no board.
#   discovery.sh CLI SIM       exits 0, 1 on a failure, 77 when it cannot run here
set -uo pipefail
cli=$1
sim=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
skip() { echo "skip: $*"; exit 77; }
[ "$(id -u)" = 0 ] || skip "needs root for network namespaces"
command -v ip >/dev/null || skip "iproute2 is not installed"
command -v tcpdump >/dev/null || skip "tcpdump is not installed"
ip netns add "vdk-cliprobe-$$" 2>/dev/null || skip "cannot create network namespaces"
ip netns del "vdk-cliprobe-$$"

export LAB_SIM=$sim
# shellcheck source=../../scripts/lab.sh
source "$root/scripts/lab.sh"
trap 'lab_down' EXIT
lab_reap_stale
trap 'exit 130' INT
trap 'exit 143' TERM

failures=0
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then echo "ok   $1"; else echo "FAIL $1: expected '$2', got '$3'"; failures=$((failures + 1)); fi
}

# run_case NAME EXPECTED-TRIES EXPECTED-EXIT EXPECTED-STDOUT EXPECTED-STDERR -- LAB OPTIONS -- CLI ARGS
run_case() {
  local name=$1 want_tries=$2 want_exit=$3 want_out=$4 want_err=$5
  shift 6
  local lab_opts=() out status tries
  while [ "$1" != -- ]; do lab_opts+=("$1"); shift; done
  shift
  echo "== $name"
  lab_defaults
  LAB_DIR=$(mktemp -d /tmp/vandok-cli-lab.XXXXXX)
  LAB_OWN_DIR=1
  lab_parse_options "${lab_opts[@]}" || return 1
  lab_net_up || { check "$name: network set-up" ok failed; lab_down; return; }
  if [ "$LAB_WITH_SIM" = 1 ]; then lab_start_sim || { check "$name: simulator" ok failed; lab_down; return; }; fi
  lab_capture_start || { check "$name: capture" ok failed; lab_down; return; }
  out=$(ip netns exec "$LAB_PC_NS" "$cli" "$@" 2>"$LAB_DIR/stderr")
  status=$?
  tries=$(lab_capture_stop | sed 's/^192\.168\.77\.//' | paste -sd' ')
  check "$name: tries on the wire (host numbers)" "$want_tries" "$tries"
  check "$name: exit status" "$want_exit" "$status"
  check "$name: standard output" "$want_out" "$out"
  check "$name: standard error" "$want_err" "$(cat "$LAB_DIR/stderr")"
  lab_down
}

run_case "board found by the last try" "4 4 2 4 4 4 5 4 6 4 7 4 8 1" 0 "192.168.77.1" "SUCCES : Found device!" \
  -- --pc-host 3 --board-host 1 -- discover
run_case "found board used by a command, JSON report" "4" 0 \
  '{"command":"regwrite","result":"pass","exit_code":0,"message":"","board":"192.168.77.4","port":7777,"address":"0x00000024","value":"0x0000005A","confirmed":true}' \
  "SUCCES : Found device!" -- --pc-host 10 --board-host 4 -- regwrite 24 5A --json
pass="4 6 7 8 9 10 11 12 13"
refused="192.168.77.4 refused, 192.168.77.6 refused, 192.168.77.7 refused, 192.168.77.8 refused, 192.168.77.9 refused, 192.168.77.10 refused, 192.168.77.11 refused, 192.168.77.12 refused, 192.168.77.13 refused"
run_case "nobody listens: three passes, then given up" "$pass $pass $pass" 2 "" "ERROR : Can not find Broad!
no board answered on port 7777 in 3 passes ($refused); name the board with --board ADDR (and --port N)" \
  -- --pc-host 10 --no-sim -- discover
run_case "no adapter in 192.168.0.0/16: nothing tried" "" 2 "" "ERROR : Can not find Broad!
no network adapter of this PC has a 192.168.x.x address, so discovery tried nothing; give the PC an address on \
the board's network, or name the board with --board ADDR" \
  -- --pc-host 10 --no-private -- discover

[ "$failures" = 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all discovery checks passed"
