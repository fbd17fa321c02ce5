#!/usr/bin/env bash
# The run history of the window under Wine: discovery, a refused register write,
# a register write, a DDR test and a flash image each leave one well-formed line,
# the image's with the SHA-256 of the file.
source "$(dirname "$0")/lib.sh"
# File names reach Wine as UTF-8; the program runs with the ANSI code page 1252.
export LC_ALL=C.UTF-8
wt_init "$@"

history=$LAB_DIR/history/history.jsonl
image=$LAB_DIR/Über.rpd  # a name outside ASCII: the history holds it as UTF-8
head -c 200000 /dev/urandom >"$image"
sha=$(sha256sum "$image" | cut -d' ' -f1)
export VANDOK_HISTORY
VANDOK_HISTORY=$(win_path "$history")

# wait_lines N: the history holds N lines (the worker writes after the box is closed).
wait_lines() {
  local i
  for ((i = 0; i < 100; i++)); do
    [ "$(cat "$history" 2>/dev/null | wc -l)" -ge "$1" ] && return 0
    sleep 0.05
  done
  wt_fail "the history holds $(cat "$history" 2>/dev/null | wc -l) lines, expected $1"
}

# expect_line K JQ-FILTER: line K is one JSON object and satisfies the filter.
expect_line() {
  local line
  line=$(sed -n "${1}p" "$history")
  [ "$(jq -r "$2" <<<"$line" 2>/dev/null)" = true ] || wt_fail "history line $1 is $line; expected $2"
}

lab_or_fail
app_or_fail
step "discovery"
discover
wait_lines 1

step "a refused register write, then one that reaches the board"
drv select-tab 2 >/dev/null
set_text "$ID_REG_ADDRESS" 0x10
click "$ID_REG_SEND"
expect_box "ERROR : Address!" 5
wait_lines 2
set_text "$ID_REG_ADDRESS" 24
set_text "$ID_REG_VALUE" 5A
click "$ID_REG_SEND"
wait_lines 3

step "a DDR test of 64 KiB"
drv select-tab 1 >/dev/null
set_text "$ID_DDR_START" 20000000
set_text "$ID_DDR_SIZE" 10000
click "$ID_DDR_TEST"
expect_box "DDR Read Write Success!!" 30
wait_lines 4

drv wait-enabled "$ID_DDR_TEST" 1 5 >/dev/null

step "a flash image"
drv select-tab 0 >/dev/null
click "$ID_BROWSE"
drv open-file "$(win_path "$image")" 15 >/dev/null
click "$ID_RECONFIG"
expect_box "Reconfig Complete!!" 30
wait_lines 5
close_and_expect_clean_exit

step "the lines"
expect_eq "lines in the history" 5 "$(wc -l <"$history")"
for k in 1 2 3 4 5; do
  expect_line "$k" '.tool == "window" and .version == "1.0.0.1" and .port == 7777 and .board == "'"$LAB_BOARD_IP"'"
    and (.time | test("^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}Z$"))
    and (.seconds | type) == "number" and (.bytes | type) == "number"'
done
expect_line 1 '.command == "discover" and .result == "pass" and .message == "SUCCES : Found device!"'
expect_line 2 '.command == "regwrite" and .result == "bad_input" and .message == "ERROR : Address!"'
expect_line 3 '.command == "regwrite" and .result == "pass" and .address == "0x00000024" and .value == "0x0000005A"'
expect_line 4 '.command == "ddr-test" and .result == "pass" and .message == "DDR Read Write Success!!"
  and .start == "0x20000000" and .size == "0x00010000" and .pattern == "increment" and .seed == null
  and .mismatch == null and .bytes == 131072'
expect_line 5 '.command == "reconfig" and .result == "pass" and .message == "Reconfig Complete!!"
  and (.file | endswith("\\Über.rpd")) and .image_bytes == 200000 and .sha256 == "'"$sha"'" and .bytes == 262144'
cat "$history"
