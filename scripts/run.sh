#!/usr/bin/env bash
# The demo: installs what is missing, builds, and starts the lab: the simulated
# board in its own network namespace and the program under Wine beside it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
exec "$root/scripts/lab.sh" "$@"
