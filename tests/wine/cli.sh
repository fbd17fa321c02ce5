#!/usr/bin/env bash
# vandok-cli.exe under Wine in the lab: discovery through the Windows adapter
# list, a register write, DDR tests that pass and that find a corrupted byte,
# and a refused look-alike field, each with its exit status and JSON report.
source "$(dirname "$0")/lib.sh"
wt_init "$@"
CLI_EXE=$(dirname "$LAB_EXE")/../cli/vandok-cli.exe
[ -f "$CLI_EXE" ] || wt_skip "no vandok-cli.exe beside the program's build"

# cli ARGS...: runs the Windows CLI in the PC's namespace; sets OUT, ERR and STATUS.
cli() {
  OUT=$(cd "$(dirname "$CLI_EXE")" && LC_ALL=C.UTF-8 lab_pc_wine timeout 60 wine vandok-cli.exe "$@" 2>"$LAB_DIR/cli.err")
  STATUS=$?
  ERR=$(tr -d '\r' <"$LAB_DIR/cli.err")
  OUT=$(tr -d '\r' <<<"$OUT")
}
json() { jq -r "$1" <<<"$OUT"; }

lab_or_fail --pc-host 3 --board-host 1 --sim-arg --corrupt-read

step "discover: the board at host 1, found by the last try"
cli discover
expect_eq "exit status" 0 "$STATUS"
expect_eq "address" "192.168.77.1" "$OUT"

step "a register write through discovery, with its JSON report"
cli regwrite 24 5A --json
expect_eq "exit status" 0 "$STATUS"
expect_eq "result" pass "$(json .result)"
expect_eq "board" "192.168.77.1" "$(json .board)"
wait_sim_commands 1 5
expect_command 1 '.command == 4 and .address == 36 and .value == 90'

step "a DDR test against a board that corrupts a byte: mismatch, exit 1"
cli --board 192.168.77.1 ddr-test --start 20000000 --size 10000 --json
expect_eq "exit status" 1 "$STATUS"
expect_eq "result" fail "$(json .result)"
expect_eq "differing bytes" 1 "$(json .mismatch.differing_bytes)"
expect_eq "message" "ERROR : write read data compare failed!" "$(json .message)"

step "a full-width address is refused, not read as its look-alike; nothing sent"
before=$(sim_command_count)
cli --board 192.168.77.1 regwrite １０ 1
expect_eq "exit status" 3 "$STATUS"
expect_eq "message" "ERROR : Address!" "$(head -n1 <<<"$ERR")"
expect_eq "commands logged" "$before" "$(sim_command_count)"

step "no board at the given address: link failure, exit 2"
cli --board 192.168.77.1 --port 1 regwrite 10 1
expect_eq "exit status" 2 "$STATUS"

step "Ctrl-C while the board never answers a DDR read: over within a second, exit 130, report written"
lab_stop_sim
lab_start_sim --silent-read || wt_fail "the simulator did not restart"
# Started here rather than through cli(), so that $! is the Windows program
# itself: Wine turns a SIGINT into the console's Ctrl-C event. Job control
# keeps SIGINT from being ignored in a background job.
set -m
(cd "$(dirname "$CLI_EXE")" && exec ip netns exec "$LAB_PC_NS" env WINEPREFIX="$WINEPREFIX" DISPLAY="$DISPLAY" \
  WINEDEBUG=-all LC_ALL=C.UTF-8 wine vandok-cli.exe --board 192.168.77.1 ddr-test --start 20000000 --size 1000 \
  --json >"$LAB_DIR/cancel.out" 2>"$LAB_DIR/cancel.err") &
cli_pid=$!
set +m
wait_sim_commands 2 30
expect_command 2 '.status == "fault_silent"'
sleep 0.5
sent=$(date +%s%N)
kill -INT "$cli_pid"
for ((i = 0; i < 100; i++)); do kill -0 "$cli_pid" 2>/dev/null || break; sleep 0.05; done
took_ms=$((($(date +%s%N) - sent) / 1000000))
kill -0 "$cli_pid" 2>/dev/null && { kill -KILL "$cli_pid"; wt_fail "still waiting 5 s after Ctrl-C"; }
wait "$cli_pid"
STATUS=$?
OUT=$(tr -d '\r' <"$LAB_DIR/cancel.out")
expect_eq "exit status" 130 "$STATUS"
expect_eq "result" cancelled "$(json .result)"
expect_eq "over within a second" yes "$([ "$took_ms" -lt 1000 ] && echo yes || echo "no: $took_ms ms")"
