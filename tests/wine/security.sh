#!/usr/bin/env bash
# What the program does on the network, and with what the board sends, under Wine:
#   security.sh -- network      it never listens (TCP or UDP: at start, after discovery,
#                               during a DDR test); every connection attempt, from its start
#                               on, goes to a discovery candidate on port 7777; it sends no UDP
#   security.sh -- read-bounds  a board that sends more than was asked: every read takes only
#                               what it asked for, the runs succeed and the program lives on
#   security.sh -- planted-dll [window|cli]
#                               a DLL of ours dropped beside the program as iphlpapi.dll and
#                               loaded native-first never runs in it: the window through
#                               start-up (pictures), a discovery and the open-file dialog;
#                               vandok-cli.exe through a discovery. A program importing IP
#                               Helper the ordinary way, beside the same DLL, runs it.
source "$(dirname "$0")/lib.sh"
wt_init "$@"
case=${WT_ARGS[0]:-network}

# No listening TCP socket and no bound UDP socket in the PC namespace, where only the
# program, its wineserver and the Wine services of its prefix run (a socket of the
# program is held by the wineserver under Wine). X is reached through a Unix socket
# and is not looked at.
expect_no_listener() {
  local found
  found=$(lab_pc ss -Hltnup)
  [ -z "$found" ] || wt_fail "listening sockets in the PC namespace $1:"$'\n'"$found"
}

# Every TCP connection attempt (IPv4 SYN without ACK; any IPv6 TCP packet) and every
# UDP datagram in the PC namespace, on any interface, until packets_stop. lab_down
# ends the capture should the test stop early.
packets_start() {
  lab_tcpdump_start "$LAB_DIR/packets.txt" \
    '(ip and tcp[tcpflags] & tcp-syn != 0 and tcp[tcpflags] & tcp-ack == 0) or (ip6 and tcp) or udp' -q ||
    wt_fail "tcpdump did not start (see $LAB_DIR/tcpdump.err)"
}

# Stops the capture; writes "PROTO SOURCE DESTINATION" (address.port) a line to
# $LAB_DIR/packets-seen.txt.
packets_stop() {
  lab_tcpdump_stop || wt_fail "the capture lost packets"
  awk '{ for (i = 2; i < NF; i++) if ($i == ">") { d = $(i + 1); sub(/:$/, "", d)
           print ($(i + 2) == "tcp" ? "tcp" : "udp"), $(i - 1), d; break } }' \
    "$LAB_DIR/packets.txt" >"$LAB_DIR/packets-seen.txt"
}

is_loopback() { [[ $1 == 127.* || $1 == ::1 ]]; }

case $case in
  network)
    # The board at the last candidate of the first pass: discovery tries every one.
    lab_or_fail --pc-host 10 --board-host 13 --sim-arg --throttle --sim-arg 2000000
    packets_start
    app_or_fail
    step "no listening socket once the window is up"
    expect_no_listener "at start"

    step "discovery"
    discover 192.168.77.13
    expect_no_listener "after discovery"

    step "a DDR test of 4 MiB (throttled to 2 MB/s)"
    drv select-tab 1 >/dev/null
    set_text "$ID_DDR_START" 20000000
    set_text "$ID_DDR_SIZE" 400000
    click "$ID_DDR_TEST"
    for ((i = 0; i < 100; i++)); do
      [ "$(drv progress "$ID_DDR_PROGRESS" | cut -d' ' -f1)" -gt 0 ] && break
      sleep 0.05
    done
    expect_no_listener "during a DDR test"
    expect_eq "\"Increment test\" enabled (the run still under way when checked)" 0 "$(drv enabled "$ID_DDR_TEST")"
    expect_box "DDR Read Write Success!!" 60
    expect_no_listener "after a DDR test"
    packets_stop

    step "connection attempts and datagrams since the program started"
    allowed=" $(for h in $(lab_candidates "$LAB_PC_HOST"); do echo "$LAB_NET.$h"; done | paste -sd' ') "
    tries=() wrong=() wine_print=0
    while read -r proto src dst; do
      host=${dst%.*} port=${dst##*.} src_port=${src##*.}
      # Wine's print spooler (winspool.drv, which comdlg32 loads for the open-file
      # dialog) asks CUPS on this host for printers as the program starts. That is
      # Wine's, not the program's; nothing else is let through.
      if [ "$proto" = tcp ] && is_loopback "${src%.*}" && is_loopback "$host" &&
        { [ "$port" = 631 ] || [ "$src_port" = 631 ]; }; then
        wine_print=$((wine_print + 1))
        continue
      fi
      if [ "$proto" = tcp ] && [ "$port" = 7777 ] && [[ $allowed == *" $host "* ]]; then
        tries+=("${host##*.}")
      else
        wrong+=("$proto $src > $dst")
      fi
    done <"$LAB_DIR/packets-seen.txt"
    echo "   attempts to port 7777 (host numbers): ${tries[*]}; Wine's CUPS look-up: $wine_print packet(s)"
    [ ${#wrong[@]} = 0 ] || wt_fail "traffic other than attempts at a candidate's port 7777: ${wrong[*]}"
    [[ " ${tries[*]} " == *" 13 "* ]] || wt_fail "the capture did not see the attempt at the board"
    close_and_expect_clean_exit
    ;;

  read-bounds)
    lab_or_fail --sim-arg --extra-read-bytes --sim-arg 5000
    app_or_fail
    discover
    drv select-tab 1 >/dev/null
    # The read buffer is exactly the size asked for: a read that took the surplus
    # would write past it, and the next run frees and allocates that memory again.
    commands=0
    # run_with_surplus SIZE-HEX SIZE
    run_with_surplus() {
      set_text "$ID_DDR_START" 20000000
      set_text "$ID_DDR_SIZE" "$1"
      click "$ID_DDR_TEST"
      expect_box "DDR Read Write Success!!" 30
      expect_no_box 0.3
      commands=$((commands + 2))
      wait_sim_commands "$commands" 5
      expect_command $((commands - 1)) ".name == \"DDR_WRITE\" and .length == $2 and .data_bytes == $2 and .status == \"ok\""
      local sha
      sha=$(sim_command $((commands - 1)) | jq -r .sha256)
      expect_command "$commands" ".name == \"DDR_READ\" and .length == $2 and .data_bytes == $2 and .sha256 == \"$sha\" and .extra_bytes == 5000 and .status == \"ok\""
      drv wait-enabled "$ID_DDR_TEST" 1 5 >/dev/null
    }
    step "10 bytes, 5000 more sent by the board"
    run_with_surplus A 10
    step "10 bytes again: the surplus of the last read is not taken for this one"
    run_with_surplus A 10
    step "a chunk and one byte: the last read of one byte takes one"
    run_with_surplus 10001 65537

    step "the program still works: a register write reaches the board"
    drv select-tab 2 >/dev/null
    set_text "$ID_REG_ADDRESS" 5
    set_text "$ID_REG_VALUE" 6
    click "$ID_REG_SEND"
    wait_sim_commands $((commands + 1)) 5
    expect_command $((commands + 1)) '.command == 4 and .address == 5 and .value == 6'
    expect_no_box 0.3
    expect_no_crash
    close_and_expect_clean_exit
    ;;

  planted-dll)
    tools=$(dirname "$LAB_DRIVER_EXE")
    [ -f "$tools/planted-dll.dll" ] && [ -f "$tools/iphlpapi-importer.exe" ] ||
      wt_skip "no planted-dll.dll or iphlpapi-importer.exe beside the driver"
    lab_or_fail --pc-host 3 --board-host 1
    # As Windows searches: the program's folder before System32.
    LAB_DLL_OVERRIDES="iphlpapi=n,b"
    LAB_BESIDE_APP=("iphlpapi.dll=$tools/planted-dll.dll")
    ran=planted-dll-ran.txt

    # plant_and_run DIR PROGRAM ARGS...: PROGRAM in DIR with the DLL beside it; its output in OUT.
    plant_and_run() {
      local dir=$1 exe=$2
      shift 2
      mkdir -p "$dir" && cp "$exe" "$dir/" && cp "$tools/planted-dll.dll" "$dir/iphlpapi.dll"
      OUT=$(cd "$dir" && lab_pc_wine timeout 60 wine "$(basename "$exe")" "$@" 2>"$dir/err.txt" | tr -d '\r')
    }
    expect_not_run() {
      [ ! -e "$1/$ran" ] || wt_fail "the planted DLL ran $2, in: $(tr -d '\r' <"$1/$ran" | sort -u | paste -sd' ')"
    }

    step "control: the planted DLL runs in a program that imports IP Helper the ordinary way"
    plant_and_run "$LAB_DIR/control" "$tools/iphlpapi-importer.exe"
    grep -q 'iphlpapi-importer.exe' "$LAB_DIR/control/$ran" 2>/dev/null ||
      wt_fail "the planted DLL did not run in the control program: this test could not see the fault"

    if [ "${WT_ARGS[1]:-window}" = cli ]; then
      CLI_EXE=$(dirname "$LAB_EXE")/../cli/vandok-cli.exe
      [ -f "$CLI_EXE" ] || wt_skip "no vandok-cli.exe beside the program's build"
      step "vandok-cli.exe discover: the board found, the planted DLL never run"
      plant_and_run "$LAB_DIR/cli" "$CLI_EXE" discover
      expect_not_run "$LAB_DIR/cli" "in vandok-cli.exe"
      expect_eq "address" "$LAB_BOARD_IP" "$OUT"
      exit 0
    fi

    step "the window: start-up, with the pictures"
    app_or_fail
    expect_not_run "$LAB_DIR/app" "at start-up"
    step "a discovery"
    discover
    expect_not_run "$LAB_DIR/app" "in a discovery"
    step "the open-file dialog"
    click "$ID_BROWSE"
    drv cancel-file 15 >/dev/null
    expect_not_run "$LAB_DIR/app" "with the open-file dialog"
    close_and_expect_clean_exit
    expect_not_run "$LAB_DIR/app" "at the end"
    ;;

  *) wt_fail "unknown case $case" ;;
esac
