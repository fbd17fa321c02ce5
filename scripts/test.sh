#!/usr/bin/env bash
# The whole test run: installs what is missing, builds both trees, runs the
# native tests under the sanitizers, then every test (native, simulator, Wine
# lab) through CTest. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${VANDOK_JOBS:-2}

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

# Sanitizer passes over the native tests (no Wine): ASan+UBSan, then TSan.
if [ -z "${VANDOK_SKIP_SANITIZERS:-}" ]; then
  for kind in address thread; do
    dir="$root/build/san-$kind"
    cmake -S "$root" -B "$dir" -G Ninja -DVANDOK_SANITIZE=$kind -DCMAKE_BUILD_TYPE=Debug >/dev/null
    cmake --build "$dir" -j "$jobs" --target vandok_sanitized_tests
    echo "== native tests under the $kind sanitizer"
    ctest --test-dir "$dir" -L native -j "$jobs" --output-on-failure --timeout 120 >"$dir/ctest.log" 2>&1 ||
      { tail -n 60 "$dir/ctest.log"; exit 1; }
    grep -E "tests passed" "$dir/ctest.log"
  done
fi

# Fuzzing, bounded: about a minute for both harnesses.
[ -n "${VANDOK_SKIP_FUZZ:-}" ] || "$root/scripts/fuzz.sh" 30

status=0
ctest --test-dir "$root/build/linux" -j "$jobs" --output-on-failure --timeout 300 || status=$?
# The run changes no tracked file: the fault matrices stay under build/
# (scripts/refresh-readme-tables.sh copies them into the README).
echo "fault matrices: build/linux/fault-matrix.md, build/linux/tests/wine/out/faults/fault-matrix.md"
exit "$status"
