#!/usr/bin/env bash
# The lab: a private network in which VandokTestSystem, under Wine, finds the
# simulated board, as it would find the FPGA board on a 10/100 Ethernet segment.
#
#   PC namespace  vdk-pc-<id>   lab0 192.168.77.<pc-host>/24     Wine, its wineserver, the program,
#        |                                                      tcpdump, the test driver
#      veth
#        |
#   board ns      vdk-bd-<id>   lab0 192.168.77.<board-host>/24  the simulator, listening on the board
#                               + every other discovery candidate address only; the other candidates
#                                 of the PC's host number, so that they refuse at once instead of
#                                 leaving connect() waiting for ARP.
#   X: Xvfb on a free display, or the caller's display when it answers (interactive runs).
#
# Wine runs with its own WINEPREFIX inside the PC namespace, so its wineserver and
# every socket of the program live there and the adapter list shows only lab0.
# Prefixes live in build/wineprefix-lab (build/wineprefix-lab.N when that one is in
# use by another lab); the first start of one takes about ten seconds.
# Everything the lab starts is torn down by PID or by namespace name when it ends,
# also after a failure or Ctrl-C. Needs root (namespaces), wine, Xvfb, iproute2.
#
# By hand:
#   scripts/lab.sh                        start everything and the program; wait until the program
#                                         exits or Ctrl-C. Without a display it runs on Xvfb and
#                                         saves a screenshot after a few seconds (path printed).
#   scripts/lab.sh --pc-host 3 --board-host 1     board found by the last try
#   scripts/lab.sh --no-private           the PC has only 10.77.0.10/24: no board network
#   scripts/lab.sh --sim-arg --throttle --sim-arg 200000      simulator flags, one per --sim-arg
#   scripts/lab.sh --shape 100mbit        shape the veth in both directions with tc
#   scripts/lab.sh [--with-app] --run-test CMD ARGS...
#                                         run CMD inside the lab (with --with-app: the program
#                                         started first) with
#                                         LAB_PC_NS, LAB_BOARD_NS, LAB_PC_IP, LAB_BOARD_IP, LAB_SIM_LOG,
#                                         LAB_DIR, DISPLAY, WINEPREFIX, LAB_EXE, LAB_DRIVER_EXE
#                                         exported; scripts/lab-driver.sh then drives the window.
#                                         Exits with CMD's status.
# Options:
#   --pc-host N  --board-host N  --no-private  --no-sim  --sim-arg ARG  --shape RATE
#   --exe PATH  --sim PATH  --driver PATH  --dir DIR (logs, sim log, screenshot)
#   --no-logos (the program without its picture files)  --logos DIR (pictures from DIR instead)
#   --headless (always Xvfb)  --display (the caller's X display when it answers; the default by hand)
#   --shot-delay SECS (default 5)
#
# As a library (tests/wine/lib.sh):
#   source scripts/lab.sh
#   lab_up [options]          network, X, prefix, simulator
#   lab_start_app             the program; waits for its main window
#   lab_drv COMMAND ARGS...   the window driver (tests/wine/driver) in the PC namespace
#   lab_capture_start / lab_capture_stop   SYNs to port 7777 seen in the PC namespace,
#                             destination addresses one per line in $LAB_DIR/syn-order.txt
#   lab_start_sim [flags] / lab_stop_sim / lab_wait_app_exit SECS / lab_screenshot FILE
#   lab_down                  tear everything down (idempotent)

LAB_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
LAB_MAIN_TITLE="VandokTestSystem-100Mb Ethernet"
LAB_NET=192.168.77
LAB_NOPRIV_NET=10.77.0
LAB_LOGOS=(pelto.JPG vandok.JPG tarvex.JPG brisal.JPG vandok_log.JPG)

lab_log() { echo "lab: $*" >&2; }

lab_defaults() {
  LAB_PC_HOST=10
  LAB_BOARD_HOST=4
  LAB_PRIVATE=1
  LAB_WITH_SIM=1
  LAB_SIM_ARGS=()
  LAB_SHAPE=
  LAB_NO_LOGOS=0
  LAB_LOGO_DIR=
  LAB_HEADLESS=1
  LAB_SHOT_DELAY=5
  LAB_EXE=${LAB_EXE:-$LAB_ROOT/build/win/app/VandokTestSystem.exe}
  LAB_SIM=${LAB_SIM:-$LAB_ROOT/build/linux/sim/vandok-board-sim}
  LAB_DRIVER_EXE=${LAB_DRIVER_EXE:-$LAB_ROOT/build/win/tests/wine/driver/vandok-driver.exe}
  LAB_PREFIX_BASE=${LAB_PREFIX_BASE:-$LAB_ROOT/build/wineprefix-lab}
  LAB_DIR=${LAB_DIR:-}
  LAB_OWN_DIR=0
  # Tear-down state: what this lab has started.
  LAB_PC_NS='' LAB_BOARD_NS='' LAB_XVFB_PID='' LAB_SIM_PID='' LAB_APP_PID='' LAB_TCPDUMP_PID=''
  LAB_PREFIX_FD='' LAB_SIM_RUNS=0
}

lab_parse_options() {
  while [ $# -gt 0 ]; do
    case $1 in
      --pc-host) LAB_PC_HOST=$2; shift 2 ;;
      --board-host) LAB_BOARD_HOST=$2; shift 2 ;;
      --no-private) LAB_PRIVATE=0; shift ;;
      --no-sim) LAB_WITH_SIM=0; shift ;;
      --sim-arg) LAB_SIM_ARGS+=("$2"); shift 2 ;;
      --shape) LAB_SHAPE=$2; shift 2 ;;
      --exe) LAB_EXE=$2; shift 2 ;;
      --sim) LAB_SIM=$2; shift 2 ;;
      --driver) LAB_DRIVER_EXE=$2; shift 2 ;;
      --dir) LAB_DIR=$2; shift 2 ;;
      --no-logos) LAB_NO_LOGOS=1; shift ;;
      --logos) LAB_LOGO_DIR=$2; shift 2 ;;
      --headless) LAB_HEADLESS=1; shift ;;
      --display) LAB_HEADLESS=0; shift ;;
      --shot-delay) LAB_SHOT_DELAY=$2; shift 2 ;;
      *) lab_log "unknown option: $1"; return 2 ;;
    esac
  done
  local h
  for h in "$LAB_PC_HOST" "$LAB_BOARD_HOST"; do
    if ! [[ $h =~ ^[0-9]+$ ]] || [ "$h" -lt 1 ] || [ "$h" -gt 254 ]; then
      lab_log "host numbers are 1 to 254, not '$h'"; return 2
    fi
  done
  if [ "$LAB_PC_HOST" = "$LAB_BOARD_HOST" ]; then lab_log "PC and board need different host numbers"; return 2; fi
}

# Host numbers the program tries for a PC at host number h (first pass), within
# this /24 only: the lab never gives out or targets an address outside it.
lab_candidates() {
  local h=$1 i
  echo 4
  if [ "$h" -le 4 ]; then
    for i in 2 3 4 5 6 7 8; do [ "$i" = "$h" ] || echo "$i"; done
    echo 1
  else
    for ((i = h - 4; i <= h + 3; i++)); do [ "$i" -le 254 ] && echo "$i"; done
  fi
}

lab_pc() { ip netns exec "$LAB_PC_NS" "$@"; }
lab_board() { ip netns exec "$LAB_BOARD_NS" "$@"; }

# A command in the PC namespace with this lab's Wine prefix and display.
lab_pc_wine() {
  ip netns exec "$LAB_PC_NS" env WINEPREFIX="$WINEPREFIX" DISPLAY="$DISPLAY" WINEDEBUG=-all \
    WINEDLLOVERRIDES="$(lab_dll_overrides)" "$@"
}

# Wine's DLL overrides for the program: no Mono, Gecko or menu builder, and the
# test's own (LAB_DLL_OVERRIDES, e.g. "iphlpapi=n,b": a DLL beside the program first).
lab_dll_overrides() { echo "${LAB_DLL_OVERRIDES:+$LAB_DLL_OVERRIDES;}mscoree,mshtml=;winemenubuilder.exe=d"; }

lab_net_up() {
  local id=$$ h
  LAB_PC_NS=vdk-pc-$id
  LAB_BOARD_NS=vdk-bd-$id
  lab_record ns "$LAB_PC_NS"
  lab_record ns "$LAB_BOARD_NS"
  ip netns add "$LAB_PC_NS" || { LAB_PC_NS=; return 1; }
  ip netns add "$LAB_BOARD_NS" || { LAB_BOARD_NS=; return 1; }
  ip -n "$LAB_PC_NS" link add lab0 type veth peer name lab0 netns "$LAB_BOARD_NS" || return 1
  ip -n "$LAB_PC_NS" link set lo up && ip -n "$LAB_BOARD_NS" link set lo up || return 1
  LAB_BOARD_IP=$LAB_NET.$LAB_BOARD_HOST
  if [ "$LAB_PRIVATE" = 1 ]; then
    LAB_PC_IP=$LAB_NET.$LAB_PC_HOST
  else
    LAB_PC_IP=$LAB_NOPRIV_NET.$LAB_PC_HOST
  fi
  ip -n "$LAB_PC_NS" addr add "$LAB_PC_IP/24" dev lab0 || return 1
  ip -n "$LAB_BOARD_NS" addr add "$LAB_BOARD_IP/24" dev lab0 || return 1
  if [ "$LAB_PRIVATE" = 1 ]; then
    for h in $(lab_candidates "$LAB_PC_HOST" | sort -nu); do
      [ "$h" = "$LAB_BOARD_HOST" ] || [ "$h" = "$LAB_PC_HOST" ] && continue
      ip -n "$LAB_BOARD_NS" addr add "$LAB_NET.$h/32" dev lab0 || return 1
    done
  fi
  ip -n "$LAB_PC_NS" link set lab0 up && ip -n "$LAB_BOARD_NS" link set lab0 up || return 1
  # The carrier comes up a moment later; a SYN sent before would be lost and resent
  # a second later, which would blur the order of tries on the wire.
  local i
  for ((i = 0; i < 100; i++)); do
    ip -n "$LAB_PC_NS" -o link show lab0 | grep -q NO-CARRIER ||
      ip -n "$LAB_BOARD_NS" -o link show lab0 | grep -q NO-CARRIER || break
    sleep 0.05
  done
  if [ -n "$LAB_SHAPE" ]; then
    local ns
    for ns in "$LAB_PC_NS" "$LAB_BOARD_NS"; do
      ip netns exec "$ns" tc qdisc add dev lab0 root tbf rate "$LAB_SHAPE" burst 64kb latency 50ms || return 1
    done
  fi
}

lab_x_up() {
  if [ "$LAB_HEADLESS" = 0 ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    LAB_X_OWN=0
    return 0
  fi
  local f=$LAB_DIR/xvfb.display i
  : >"$f"
  Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$f" >"$LAB_DIR/xvfb.log" 2>&1 &
  LAB_XVFB_PID=$!
  lab_record pid "$LAB_XVFB_PID"
  for ((i = 0; i < 100; i++)); do
    [ -s "$f" ] && break
    kill -0 "$LAB_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  [ -s "$f" ] || { lab_log "Xvfb did not start (see $LAB_DIR/xvfb.log)"; return 1; }
  export DISPLAY=:$(tr -dc 0-9 <"$f")
  LAB_X_OWN=1
}

# A Wine prefix that no other lab uses right now: the first free slot, held by a lock
# for the life of this lab. Two labs sharing one prefix would share one wineserver,
# and with it one network namespace.
lab_prefix_up() {
  local i p fd
  mkdir -p "$(dirname "$LAB_PREFIX_BASE")"
  for i in 0 1 2 3 4 5 6 7; do
    p=$LAB_PREFIX_BASE
    [ "$i" = 0 ] || p=$LAB_PREFIX_BASE.$i
    exec {fd}>>"$p.lock"
    if flock -n "$fd"; then
      LAB_PREFIX_FD=$fd
      export WINEPREFIX=$p
      break
    fi
    exec {fd}>&-
  done
  [ -n "$LAB_PREFIX_FD" ] || { lab_log "all Wine prefix slots are in use"; return 1; }
  # The marker holds a checksum of the registry settings below: a prefix made
  # before a setting changed gets the new settings on its next use.
  local ready=$WINEPREFIX/.vandok-lab-ready fonts=$LAB_ROOT/resources/wine-fonts.reg sum
  # No window manager under Xvfb: unmanaged windows spare a 2 s wait after every
  # closed box and at exit. A crash prints its backtrace instead of a dialog.
  cat >"$LAB_DIR/lab.reg" <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\Drivers]
"Audio"=""
EOF
  sum=$(cat "$LAB_DIR/lab.reg" "$fonts" | cksum)
  [ -f "$ready" ] && [ "$(cat "$ready")" = "$sum" ] && return 0
  if [ ! -f "$ready" ]; then
    lab_log "creating Wine prefix $WINEPREFIX (first time only, ~10 s)"
    lab_pc_wine wineboot -i >"$LAB_DIR/wineboot.log" 2>&1 || { lab_log "wineboot failed"; return 1; }
  fi
  # The window's font as on Windows (resources/wine-fonts.reg, also in the release).
  local f
  for f in "$LAB_DIR/lab.reg" "$fonts"; do
    lab_pc_wine wine regedit /S "Z:${f//\//\\}" >>"$LAB_DIR/wineboot.log" 2>&1 ||
      { lab_log "registry set-up failed"; return 1; }
  done
  lab_pc_wine wineserver -w
  echo "$sum" >"$ready"
}

lab_start_sim() {
  [ -x "$LAB_SIM" ] || { lab_log "no simulator at $LAB_SIM"; return 1; }
  LAB_SIM_RUNS=$((LAB_SIM_RUNS + 1))
  export LAB_SIM_LOG=$LAB_DIR/sim-$LAB_SIM_RUNS.jsonl
  local pf=$LAB_DIR/sim.port i
  rm -f "$pf"
  # Started directly (not through a function) so that LAB_SIM_PID is the simulator.
  ip netns exec "$LAB_BOARD_NS" "$LAB_SIM" --listen "$LAB_BOARD_IP" --json-log "$LAB_SIM_LOG" --port-file "$pf" \
    "${LAB_SIM_ARGS[@]}" "$@" >>"$LAB_DIR/sim.out" 2>&1 &
  LAB_SIM_PID=$!
  lab_record pid "$LAB_SIM_PID"
  for ((i = 0; i < 100; i++)); do
    [ -s "$pf" ] && return 0
    kill -0 "$LAB_SIM_PID" 2>/dev/null || break
    sleep 0.05
  done
  lab_log "the simulator did not start (see $LAB_DIR/sim.out)"
  return 1
}

lab_stop_sim() {
  [ -n "$LAB_SIM_PID" ] || return 0
  lab_kill_wait "$LAB_SIM_PID" 3
  LAB_SIM_PID=
}

# TERM, then KILL after SECS; reaps the child.
lab_kill_wait() {
  local pid=$1 secs=$2 i
  kill -TERM "$pid" 2>/dev/null
  for ((i = 0; i < secs * 20; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return 0
}

# The program, from a folder of its own in LAB_DIR with its pictures beside it
# (where the build puts them, or resources/ as a fall-back).
lab_stage_app() {
  local dir=$LAB_DIR/app src logo f
  rm -rf "$dir" && mkdir -p "$dir"
  [ -f "$LAB_EXE" ] || { lab_log "no program at $LAB_EXE"; return 1; }
  cp "$LAB_EXE" "$dir/"
  # Files a test puts beside the program (LAB_BESIDE_APP: NAME=SOURCE ...).
  for f in ${LAB_BESIDE_APP[@]+"${LAB_BESIDE_APP[@]}"}; do cp "${f#*=}" "$dir/${f%%=*}" || return 1; done
  [ "$LAB_NO_LOGOS" = 1 ] && return 0
  local missing=()
  for logo in "${LAB_LOGOS[@]}"; do
    src=${LAB_LOGO_DIR:-$(dirname "$LAB_EXE")}/$logo
    if [ ! -f "$src" ] && [ -z "$LAB_LOGO_DIR" ]; then
      f=$(find "$LAB_ROOT/resources" -name "$logo" -print -quit 2>/dev/null)
      src=${f:-$src}
    fi
    if [ -f "$src" ]; then cp "$src" "$dir/"; else missing+=("$logo"); fi
  done
  [ ${#missing[@]} = 0 ] || lab_log "pictures not found: ${missing[*]}"
}

lab_start_app() {
  lab_stage_app || return 1
  local exe
  exe=$(basename "$LAB_EXE")
  # exec all the way down: LAB_APP_PID is the program's own process.
  (cd "$LAB_DIR/app" && exec ip netns exec "$LAB_PC_NS" env WINEPREFIX="$WINEPREFIX" DISPLAY="$DISPLAY" \
    WINEDEBUG=-all WINEDLLOVERRIDES="$(lab_dll_overrides)" wine "$exe" "$@") \
    >>"$LAB_DIR/app.out" 2>&1 &
  LAB_APP_PID=$!
  lab_record pid "$LAB_APP_PID"
  export LAB_APP_PID
  if ! lab_drv wait-window "$LAB_MAIN_TITLE" 30 >/dev/null; then
    lab_log "the main window did not appear (see $LAB_DIR/app.out)"
    return 1
  fi
}

# Waits up to SECS for the program to end; returns its exit status, 124 on time-out.
lab_wait_app_exit() {
  local secs=${1:-10} i status
  [ -n "$LAB_APP_PID" ] || return 0
  for ((i = 0; i < secs * 20; i++)); do
    kill -0 "$LAB_APP_PID" 2>/dev/null || break
    sleep 0.05
  done
  kill -0 "$LAB_APP_PID" 2>/dev/null && return 124
  wait "$LAB_APP_PID" 2>/dev/null
  status=$?
  LAB_APP_PID=
  return "$status"
}

lab_drv() {
  timeout -k 2 90 ip netns exec "$LAB_PC_NS" env WINEPREFIX="$WINEPREFIX" DISPLAY="$DISPLAY" \
    WINEDEBUG=-all wine "$LAB_DRIVER_EXE" "$@"
}

# lab_tcpdump_start OUT FILTER [TCPDUMP-OPTIONS...]: captures packets leaving or
# entering the PC namespace on any interface into OUT until lab_tcpdump_stop.
# A short snapshot: the ring buffer is cut in frames of the snapshot length, and
# with the default 256 KiB a burst of discovery SYNs overflows it and gets dropped.
lab_tcpdump_start() {
  local out=$1 filter=$2
  shift 2
  : >"$LAB_DIR/tcpdump.err"
  ip netns exec "$LAB_PC_NS" tcpdump --immediate-mode -i any -nn -l -s 128 -B 4096 "$@" "$filter" \
    >"$out" 2>"$LAB_DIR/tcpdump.err" &
  LAB_TCPDUMP_PID=$!
  lab_record pid "$LAB_TCPDUMP_PID"
  local i
  for ((i = 0; i < 100; i++)); do
    grep -q "listening on" "$LAB_DIR/tcpdump.err" && return 0
    kill -0 "$LAB_TCPDUMP_PID" 2>/dev/null || break
    sleep 0.05
  done
  lab_log "tcpdump did not start (see $LAB_DIR/tcpdump.err)"
  return 1
}

# Ends the capture; fails when the kernel dropped packets of it.
lab_tcpdump_stop() {
  [ -n "$LAB_TCPDUMP_PID" ] || return 1
  sleep 0.2
  # TERM: background jobs of a script ignore INT.
  kill -TERM "$LAB_TCPDUMP_PID" 2>/dev/null
  wait "$LAB_TCPDUMP_PID" 2>/dev/null
  LAB_TCPDUMP_PID=
  if grep -E "^[1-9][0-9]* packets? dropped by kernel" "$LAB_DIR/tcpdump.err" >&2; then
    lab_log "the capture lost packets"
    return 1
  fi
  return 0
}

# Every connection attempt to port 7777, in order.
lab_capture_start() {
  LAB_SYN_RAW=$LAB_DIR/syn.txt
  lab_tcpdump_start "$LAB_SYN_RAW" \
    'tcp dst port 7777 and tcp[tcpflags] & tcp-syn != 0 and tcp[tcpflags] & tcp-ack == 0'
}

# Stops the capture and writes the destination of every SYN, in order, to
# $LAB_DIR/syn-order.txt (and stdout). A try of the PC's own address goes over lo and
# shows once, as "In". A try of an address nobody holds never leaves the ARP queue
# and does not show at all: the lab gives every candidate to the board namespace.
lab_capture_stop() {
  [ -n "$LAB_TCPDUMP_PID" ] || return 1
  lab_tcpdump_stop
  awk '{ for (i = 1; i < NF; i++) if ($i == ">") { d = $(i + 1); sub(/\.[0-9]+:$/, "", d); print d } }' \
    "$LAB_SYN_RAW" | tee "$LAB_DIR/syn-order.txt"
}

lab_screenshot() {
  import -display "$DISPLAY" -window root "$1" 2>>"$LAB_DIR/import.log"
}

# ---- what a lab killed outright (SIGKILL, a test time-out) leaves behind ----------
# Each lab notes what it starts in $LAB_STATE_DIR/<its PID>. A later lab clears the
# notes of labs whose shell is gone: their namespaces (with the wineserver and any
# process inside) and the processes they started, each checked against the PID's
# start time so that a reused PID is never touched.
LAB_STATE_DIR=${LAB_STATE_DIR:-/run/vandok-lab}

# Start time of a live process (empty when gone or a zombie). The command name in
# field 2 has no spaces for any process the lab starts or checks.
lab_starttime() { awk '$3 != "Z" { print $22 }' "/proc/$1/stat" 2>/dev/null; }

lab_record() {
  local kind=$1 what=$2
  mkdir -p "$LAB_STATE_DIR"
  LAB_STATE_FILE=$LAB_STATE_DIR/$$
  [ -s "$LAB_STATE_FILE" ] || echo "owner $$ $(lab_starttime $$)" >"$LAB_STATE_FILE"
  case $kind in
    pid) echo "pid $what $(lab_starttime "$what")" >>"$LAB_STATE_FILE" ;;
    ns) echo "ns $what" >>"$LAB_STATE_FILE" ;;
  esac
}

lab_reap_stale() {
  local f kind a b p
  for f in "$LAB_STATE_DIR"/*; do
    [ -f "$f" ] || continue
    read -r kind a b <"$f"
    [ "$kind" = owner ] || continue
    [ -n "$b" ] && [ "$(lab_starttime "$a")" = "$b" ] && continue
    lab_log "clearing what the lab of PID $a left behind"
    while read -r kind a b; do
      case $kind in
        pid) [ -n "$b" ] && [ "$(lab_starttime "$a")" = "$b" ] && kill -KILL "$a" 2>/dev/null ;;
        ns)
          for p in $(ip netns pids "$a" 2>/dev/null); do kill -KILL "$p" 2>/dev/null; done
          ip netns del "$a" 2>/dev/null ;;
      esac
    done <"$f"
    rm -f "$f"
  done
}

lab_up() {
  lab_defaults
  lab_parse_options "$@" || return $?
  [ "$(id -u)" = 0 ] || { lab_log "needs root (network namespaces)"; return 1; }
  if [ -z "$LAB_DIR" ]; then
    LAB_DIR=$(mktemp -d /tmp/vandok-lab.XXXXXX)
    LAB_OWN_DIR=1
  fi
  mkdir -p "$LAB_DIR"
  LAB_DIR=$(cd "$LAB_DIR" && pwd)
  export LAB_DIR LAB_EXE LAB_DRIVER_EXE LAB_PC_HOST LAB_BOARD_HOST
  lab_reap_stale
  lab_net_up || { lab_log "network set-up failed"; return 1; }
  export LAB_PC_NS LAB_BOARD_NS LAB_PC_IP LAB_BOARD_IP
  lab_x_up || return 1
  lab_prefix_up || return 1
  if [ "$LAB_WITH_SIM" = 1 ]; then lab_start_sim || return 1; fi
  return 0
}

lab_down() {
  local ns p
  if [ -n "$LAB_TCPDUMP_PID" ]; then lab_kill_wait "$LAB_TCPDUMP_PID" 2; LAB_TCPDUMP_PID=; fi
  # The wineserver of this prefix lives in the PC namespace; -k ends it and every
  # Wine process attached to it, the program and any driver among them.
  if [ -n "$LAB_PC_NS" ] && [ -n "$LAB_PREFIX_FD" ]; then
    timeout -k 2 10 ip netns exec "$LAB_PC_NS" env WINEPREFIX="$WINEPREFIX" wineserver -k >/dev/null 2>&1
  fi
  if [ -n "$LAB_APP_PID" ]; then lab_kill_wait "$LAB_APP_PID" 3; LAB_APP_PID=; fi
  lab_stop_sim
  for ns in "$LAB_PC_NS" "$LAB_BOARD_NS"; do
    [ -n "$ns" ] || continue
    for p in $(ip netns pids "$ns" 2>/dev/null); do kill -KILL "$p" 2>/dev/null; done
    ip netns del "$ns" 2>/dev/null
  done
  LAB_PC_NS='' LAB_BOARD_NS=''
  if [ -n "$LAB_XVFB_PID" ]; then lab_kill_wait "$LAB_XVFB_PID" 3; LAB_XVFB_PID=; fi
  if [ -n "$LAB_PREFIX_FD" ]; then exec {LAB_PREFIX_FD}>&-; LAB_PREFIX_FD=; fi
  if [ "$LAB_OWN_DIR" = 1 ] && [ -z "${LAB_KEEP:-}" ]; then rm -rf "$LAB_DIR"; fi
  [ -n "${LAB_STATE_FILE:-}" ] && rm -f "$LAB_STATE_FILE"
  LAB_STATE_FILE=
  return 0
}

# A folder for one run by hand, kept after the lab: logs and pictures.
lab_run_dir() { echo "$LAB_ROOT/build/lab/run-$(date +%Y%m%d-%H%M%S)-$$"; }

lab_main() {
  local run_test=() opts=() with_app=0
  while [ $# -gt 0 ]; do
    case $1 in
      --run-test) shift; run_test=("$@"); break ;;
      --with-app) with_app=1; shift ;;
      -h | --help) sed -n '2,/^$/s/^# \{0,1\}//p' "${BASH_SOURCE[0]}"; return 0 ;;
      *) opts+=("$1"); shift ;;
    esac
  done
  trap 'lab_down' EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  trap 'exit 129' HUP

  if [ ${#run_test[@]} -gt 0 ]; then
    lab_up --headless "${opts[@]}" || return 1
    if [ "$with_app" = 1 ]; then lab_start_app || return 1; fi
    local status=0
    "${run_test[@]}" || status=$?
    return "$status"
  fi

  # Interactive: a run folder that outlives the lab, for the logs and the screenshot.
  local dir
  dir=$(lab_run_dir)
  lab_up --display --dir "$dir" "${opts[@]}" || return 1
  lab_start_app || return 1
  echo "lab: PC $LAB_PC_IP (namespace $LAB_PC_NS), board $LAB_BOARD_IP (namespace $LAB_BOARD_NS)"
  echo "lab: simulator log $LAB_SIM_LOG"
  if [ "${LAB_X_OWN:-1}" = 1 ]; then
    sleep "$LAB_SHOT_DELAY"
    if lab_screenshot "$LAB_DIR/screenshot.png"; then
      echo "lab: no display here: the program runs on Xvfb $DISPLAY; screenshot saved to $LAB_DIR/screenshot.png"
    fi
  fi
  echo "lab: press \"Discovery\" in the window; close it or press Ctrl-C to end the lab"
  local status=0
  wait "$LAB_APP_PID" || status=$?
  LAB_APP_PID=
  echo "lab: the program ended (status $status); logs in $LAB_DIR"
  return 0
}

lab_defaults
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -uo pipefail
  lab_main "$@"
  exit $?
fi
