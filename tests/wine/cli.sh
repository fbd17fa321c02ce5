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
expect_eq "message" "ERROR : Address!" "$ERR"
expect_eq "commands logged" "$before" "$(sim_command_count)"

step "no board at the given address: link failure, exit 2"
cli --board 192.168.77.1 --port 1 regwrite 10 1
expect_eq "exit status" 2 "$STATUS"
