#!/usr/bin/env bash
# Runs the Windows tree's own tests (cross-built, run through Wine by CTest) on
# a private Xvfb with a Wine prefix of their own, then stops both.
#   scripts/wine-ctest.sh WIN_BUILD_DIR
# Exits 77 (skipped) when Wine, Xvfb or the Windows tests are missing.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win=${1:?WIN_BUILD_DIR}
command -v wine >/dev/null && command -v Xvfb >/dev/null || exit 77
[ -f "$win/CTestTestfile.cmake" ] || exit 77

export WINEPREFIX=$root/build/wineprefix-unit WINEDEBUG=-all
displayfile=$(mktemp)
Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$displayfile" >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  wineserver -k >/dev/null 2>&1
  kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -f "$displayfile"
}
trap cleanup EXIT INT TERM
for _ in $(seq 50); do [ -s "$displayfile" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$displayfile")
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
  # No window manager: unmanaged windows spare Wine's wait for one.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
fi
ctest --test-dir "$win" --output-on-failure --timeout 60
