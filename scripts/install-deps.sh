#!/usr/bin/env bash
# Installs the Debian packages the builds, the simulator lab and the tests need.
# Only what is missing is installed, so a second run costs a second.
set -euo pipefail

packages=(
  cmake ninja-build g++ libgtest-dev pkg-config          # native build and unit tests
  g++-mingw-w64-x86-64 mingw-w64-tools                    # Windows cross build
  wine64 xvfb x11-utils imagemagick                       # running the program headless
  fonts-dejavu-extra                                      # DejaVu Sans Condensed: the dialog font under Wine
  iproute2 tcpdump iperf3 bc python3 jq                   # the lab network, its logs, benchmarks
  clang libclang-rt-14-dev                                # fuzzing
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq || true
  "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
