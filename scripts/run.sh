#!/usr/bin/env bash
# The demo: installs what is missing, builds, and starts the lab: the simulated
# board in its own network namespace and the program under Wine beside it.
# With a display the window is yours to click. Without one, scripts/walkthrough.sh
# drives it through the main job and saves a picture of each step.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$root/scripts/lab.sh" "$@"
fi
exec "$root/scripts/walkthrough.sh" "$@"
