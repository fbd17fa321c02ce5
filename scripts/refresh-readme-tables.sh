#!/usr/bin/env bash
# Puts the fault matrices that the last test run wrote under build/ into the
# README, each between its markers: the native one (the transfer code against the
# simulator) and the Wine one (the real window in the lab). A table the run did not
# write is left as it was. Run by hand after a test run; the test run itself
# changes no tracked file.
#   scripts/refresh-readme-tables.sh [NATIVE-BUILD-DIR]   (default build/linux)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/linux}
python3 - "$root/README.md" "$build/fault-matrix.md" "$build/tests/wine/out/faults/fault-matrix.md" <<'PY'
import os, sys
readme = sys.argv[1]
text = open(readme).read()
for name, path in (("fault-matrix", sys.argv[2]), ("wine-fault-matrix", sys.argv[3])):
    begin, end = "<!-- %s:begin -->" % name, "<!-- %s:end -->" % name
    if not (os.path.getsize(path) if os.path.exists(path) else 0) or begin not in text or end not in text:
        continue
    head, rest = text.split(begin, 1)
    _, tail = rest.split(end, 1)
    text = head + begin + "\n" + open(path).read() + end + tail
open(readme, "w").write(text)
PY
