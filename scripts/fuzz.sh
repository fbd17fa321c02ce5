#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang and runs each for a bounded time.
#   scripts/fuzz.sh [SECONDS_EACH]   (default 30)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
dir=$root/build/fuzz
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" -j "${VANDOK_JOBS:-2}" --target fuzz_hex_field fuzz_sim_session
for harness in fuzz_hex_field fuzz_sim_session; do
  corpus=$dir/corpus/$harness
  mkdir -p "$corpus"
  echo "== $harness for ${seconds}s"
  status=0
  (cd "$dir" && "$dir/tests/fuzz/$harness" -max_total_time="$seconds" -max_len=70000 -print_final_stats=1 \
    "$corpus" >"$dir/$harness.log" 2>&1) || status=$?
  grep -E '^(stat::number_of_executed_units|==[0-9]+==ERROR|SUMMARY)' "$dir/$harness.log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$dir/$harness.log"
    exit "$status"
  fi
  echo "crashes: 0"
done
