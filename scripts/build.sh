#!/usr/bin/env bash
# Builds both trees: build/win (the Windows program, cross-compiled) and
# build/linux (portable core, simulator, native tests). Extra arguments go to
# the native configure step.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${VANDOK_JOBS:-2}

cmake -S "$root" -B "$root/build/win" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DBUILD_TESTING=ON >/dev/null
cmake --build "$root/build/win" -j "$jobs"

cmake -S "$root" -B "$root/build/linux" -G Ninja -DVANDOK_WIN_BUILD_DIR="$root/build/win" "$@" >/dev/null
cmake --build "$root/build/linux" -j "$jobs"
"$root/scripts/release.sh" >/dev/null
