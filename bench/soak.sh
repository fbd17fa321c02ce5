#!/usr/bin/env bash
# Soak: 500 DDR tests of 1 MiB, 100 discoveries and 100 flash images against
# the simulated board on loopback, in one process. Not part of the test run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/vandok-soak.XXXXXX)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT INT TERM
"$root/build/linux/sim/vandok-board-sim" --port 0 --port-file "$work/port" --flash-out /dev/null >/dev/null 2>&1 &
sim_pid=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
head -c 300000 /dev/urandom >"$work/image.rpd"
"$root/build/linux/bench/vandok-soak" "$(cat "$work/port")" "$work/image.rpd" "$@"
