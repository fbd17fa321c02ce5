#!/usr/bin/env bash
# Runs the window driver (tests/wine/driver) inside a running lab, for commands
# given to "scripts/lab.sh --run-test": scripts/lab-driver.sh text 1029
# Needs LAB_PC_NS, WINEPREFIX, DISPLAY and LAB_DRIVER_EXE as the lab exports them.
set -euo pipefail
: "${LAB_PC_NS:?not inside a lab}" "${WINEPREFIX:?}" "${DISPLAY:?}" "${LAB_DRIVER_EXE:?}"
exec timeout -k 2 90 ip netns exec "$LAB_PC_NS" env WINEPREFIX="$WINEPREFIX" DISPLAY="$DISPLAY" \
  WINEDEBUG=-all wine "$LAB_DRIVER_EXE" "$@"
