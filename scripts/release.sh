#!/usr/bin/env bash
# Packs what a Windows user needs into build/release/VandokTestSystem-<version>/
# and a zip beside it: the program, its logo pictures, the command-line
# companion, the font settings for Wine (wine-fonts.reg) and a short read-me.
# Needs a built Windows tree (scripts/build.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win=$root/build/win
version=$(cat "$win/version.txt")  # the project version, written there by CMake
name=VandokTestSystem-$version
out=$root/build/release/$name

rm -rf "$root/build/release"  # also the folder of an earlier version
mkdir -p "$out"
cp "$win/app/VandokTestSystem.exe" "$root"/resources/logos/*.JPG "$root/resources/wine-fonts.reg" "$out/"
[ -f "$win/cli/vandok-cli.exe" ] && cp "$win/cli/vandok-cli.exe" "$out/"
cat >"$out/README.txt" <<TXT
VandokTestSystem $version

Start VandokTestSystem.exe. Connect the PC to the board's network (an address
in 192.168.x.x), press "Discovery", then use the tabs: "EPSQ Reconfig" streams
a .rpd flash image, "DDR RW" runs the DDR write/read-back test, "Register
Access" writes one register. Keep the five .JPG files beside the program.
vandok-cli.exe offers the same board checks for scripts ("vandok-cli --help").
Needs only the DLLs that come with Windows, and no administrator rights.

Security: both programs can be run from any folder, a Downloads folder too. A
DLL that lies beside them is never loaded: they load DLLs from Windows' own
folders only.

On Linux under Wine: install the DejaVu fonts (Debian, Ubuntu:
fonts-dejavu-extra), then, once per Wine prefix, in this folder:
    wine regedit wine-fonts.reg
It draws the window's font with DejaVu Sans Condensed, so that the window has
its Windows size and the logos at its bottom show whole.
TXT
sed -i 's/$/\r/' "$out/README.txt" "$out/wine-fonts.reg"
(cd "$root/build/release" && zip -qr "$name.zip" "$name")
echo "release: $out.zip"
