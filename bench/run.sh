#!/usr/bin/env bash
# Throughput and memory figures of the tool's transfer code against the
# simulated board, side by side with a yardstick on the same path:
#   bench/run.sh            loopback: the raw client (bench/raw_client.cpp), which moves
#                           the same protocol bytes with plain socket loops; the ratio
#                           is the tool's own cost
#   bench/run.sh --lab      a 100 Mbit/s veth link between two network namespaces:
#                           a raw TCP stream (iperf3), the wire's ceiling
# VANDOK_BENCH_ROUNDS (default 5) rounds; each figure as minimum, median, maximum.
# Needs a built tree (scripts/build.sh). Prints figures; asserts nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build/linux
sim=$bin/sim/vandok-board-sim
bench=$bin/bench/vandok-bench
raw=$bin/bench/vandok-bench-raw
work=$(mktemp -d /tmp/vandok-bench.XXXXXX)
pids=()
namespaces=()

cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  for ns in "${namespaces[@]}"; do ip netns del "$ns" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

mode=loopback
[ "${1:-}" = "--lab" ] && mode=lab

if [ "$mode" = lab ]; then
  pc=vbench-pc-$$ board=vbench-board-$$
  ip netns add "$pc"; namespaces+=("$pc")
  ip netns add "$board"; namespaces+=("$board")
  ip link add vb-pc-$$ netns "$pc" type veth peer name vb-bd-$$ netns "$board"
  ip -n "$pc" addr add 192.168.77.10/24 dev vb-pc-$$
  ip -n "$board" addr add 192.168.77.4/24 dev vb-bd-$$
  for ns in "$pc" "$board"; do ip -n "$ns" link set lo up; done
  ip -n "$pc" link set vb-pc-$$ up
  ip -n "$board" link set vb-bd-$$ up
  # 100 Mbit/s each way, as the board's card would carry.
  ip netns exec "$pc" tc qdisc add dev vb-pc-$$ root tbf rate 100mbit burst 32kbit latency 50ms
  ip netns exec "$board" tc qdisc add dev vb-bd-$$ root tbf rate 100mbit burst 32kbit latency 50ms
  on_pc=(ip netns exec "$pc") on_board=(ip netns exec "$board")
  board_ip=192.168.77.4
  ddr_size=$((16 << 20)) flash_size=$((32 << 20))
else
  on_pc=() on_board=()
  board_ip=127.0.0.1
  ddr_size=$((256 << 20)) flash_size=$((1 << 30))
fi

# The board takes the DDR pages of the test range before serving: its allocation
# is the simulator's cost, not the tool's.
"${on_board[@]}" "$sim" --listen "$board_ip" --port 0 --port-file "$work/port" --flash-out /dev/null --no-digest \
  --preallocate-ddr "0x20000000:$ddr_size" >"$work/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")

"${on_board[@]}" iperf3 -s -B "$board_ip" -p 5299 >/dev/null 2>&1 &
pids+=($!)
sleep 0.5

truncate -s "$flash_size" "$work/image.rpd"
truncate -s $((1 << 20)) "$work/small.rpd"
# The image in the page cache before anything is timed: whoever read it first
# would otherwise pay for bringing in its pages (a fifth of the speed here).
cat "$work/image.rpd" "$work/small.rpd" >/dev/null

figures=$work/figures  # lines "WHO KIND ROUND MBIT/S"
# run WHO ROUND PROGRAM ARGS...: one measurement; its lines "KIND ... mbit_per_s=R ..." noted.
run() {
  local who=$1 round=$2 out
  shift 2
  out=$("$@") || { echo "bench: $who failed: $out" >&2; exit 1; }
  sed -n "s/^\([a-z_]*\) .*mbit_per_s=\([0-9.]*\).*/$who \1 $round \2/p" <<<"$out" >>"$figures"
  printf '%s\n' "$out"
}
iperf() {  # iperf KIND ROUND BYTES: a raw TCP stream from the PC side to the board side
  local mbit
  mbit=$("${on_pc[@]}" iperf3 -c "$board_ip" -p 5299 -n "$3" -J 2>/dev/null |
    python3 -c 'import json,sys; print("%.1f" % (json.load(sys.stdin)["end"]["sum_received"]["bits_per_second"]/1e6))')
  echo "raw $1 $2 $mbit" >>"$figures"
}
rss() { sed -n 's/.*peak_rss_kib=\([0-9]*\).*/\1/p' <<<"$1" | tail -n 1; }

rounds=${VANDOK_BENCH_ROUNDS:-5}
for round in $(seq "$rounds"); do
  # Ours and the yardstick alternate, and take turns going first, so that both see
  # the same machine.
  for who in $( ((round % 2)) && echo ours raw || echo raw ours); do
    if [ "$who" = ours ]; then
      run ours "$round" "${on_pc[@]}" "$bench" ddr "$board_ip" "$port" "$ddr_size" >/dev/null
      flash=$(run ours "$round" "${on_pc[@]}" "$bench" flash "$board_ip" "$port" "$work/image.rpd")
    elif [ "$mode" = loopback ]; then
      run raw "$round" "${on_pc[@]}" "$raw" ddr "$board_ip" "$port" "$ddr_size" >/dev/null
      run raw "$round" "${on_pc[@]}" "$raw" flash "$board_ip" "$port" "$work/image.rpd" >/dev/null
    else
      iperf ddr "$round" $((2 * ddr_size))
      iperf flash "$round" "$flash_size"
    fi
  done
done

if [ "$mode" = loopback ]; then
  yardstick="the raw client (the same protocol bytes and buffers, plain blocking send/recv loops)" column="raw client"
else
  yardstick="a raw TCP stream (iperf3) of the same number of bytes" column=iperf3
fi
echo "== $mode: ours against $yardstick, $rounds rounds; Mbit/s as minimum / median / maximum"
python3 - "$figures" "$((ddr_size >> 20))" "$((flash_size >> 20))" "$column" <<'PY'
import statistics, sys
runs = {}
for line in open(sys.argv[1]):
    who, kind, rnd, mbit = line.split()
    runs.setdefault((who, kind), {})[rnd] = float(mbit)
def spread(v):
    v = sorted(v)
    return "%9.1f %9.1f %9.1f" % (v[0], statistics.median(v), v[-1])
titles = {"ddr": "DDR test %s MiB, fresh buffers" % sys.argv[2], "ddr_resident": "  same, buffers resident",
          "flash": "flash image %s MiB" % sys.argv[3]}
print("%-32s %-29s   %-29s   %s" % ("transfer", "ours", sys.argv[4], "ratio, round by round"))
for kind, title in titles.items():
    # iperf3 has no second round into resident buffers: the stream stands for both.
    ours, raw = runs[("ours", kind)], runs.get(("raw", kind)) or runs[("raw", "ddr")]
    ratios = [ours[r] / raw[r] for r in ours]
    print("%-32s %s   %s   %s" % (title, spread(ours.values()), spread(raw.values()),
                                   "%5.2f %5.2f %5.2f" % (min(ratios), statistics.median(ratios), max(ratios))))
PY

if [ "$mode" = loopback ]; then
  small=$("$bench" flash "$board_ip" "$port" "$work/small.rpd")
  ddr64=$("$bench" ddr "$board_ip" "$port" $((64 << 20)))
  echo "== peak resident size"
  echo "flash 1 MiB image:   $(rss "$small") KiB"
  echo "flash $((flash_size >> 20)) MiB image: $(rss "$flash") KiB  (difference $(( $(rss "$flash") - $(rss "$small") )) KiB)"
  echo "DDR test of 64 MiB:  $(rss "$ddr64") KiB  (twice the size is $((2 * 64 * 1024)) KiB)"
fi
