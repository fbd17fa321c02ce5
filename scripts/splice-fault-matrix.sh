#!/usr/bin/env bash
# Puts the fault matrix that the test run wrote into the README, between its markers.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
table=${1:-$root/build/linux/fault-matrix.md}
[ -s "$table" ] || exit 0
python3 - "$root/README.md" "$table" <<'PY'
import sys
readme, table = sys.argv[1], open(sys.argv[2]).read()
text = open(readme).read()
begin, end = "<!-- fault-matrix:begin -->", "<!-- fault-matrix:end -->"
if begin in text and end in text:
    head, rest = text.split(begin, 1)
    _, tail = rest.split(end, 1)
    open(readme, "w").write(head + begin + "\n" + table + end + tail)
PY
