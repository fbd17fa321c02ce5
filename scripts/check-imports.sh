#!/usr/bin/env bash
# The Windows programs import only DLLs that Windows always takes from System32
# (KnownDLLs), and the common controls, which come through the manifest: a DLL
# of the same name lying beside a program is then never loaded at its start.
# Anything else (IP Helper, for one) is loaded at run time from System32.
#   scripts/check-imports.sh [WIN_BUILD_DIR]    (default build/win)
# Exits 1 and names the DLL when a program imports another; 77 when objdump or a
# program is missing.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win=${1:-$root/build/win}
objdump=x86_64-w64-mingw32-objdump
command -v "$objdump" >/dev/null || { echo "SKIP: no $objdump"; exit 77; }

# Windows 10's KnownDLLs (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs),
# ntdll and kernelbase, and comctl32 (side by side, through the manifest).
allowed=" advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32 kernel32
  msctf msvcrt normaliz nsi ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore shell32 shlwapi
  user32 wldap32 ws2_32 kernelbase ntdll comctl32 "

status=0
for exe in app/VandokTestSystem.exe cli/vandok-cli.exe; do
  [ -f "$win/$exe" ] || { echo "SKIP: no $win/$exe"; exit 77; }
  dlls=$("$objdump" -p "$win/$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sed 's/\.dll$//')
  [ -n "$dlls" ] || { echo "FAIL: no import table read from $exe"; status=1; continue; }
  for dll in $dlls; do
    [[ $allowed == *[[:space:]]"$dll"[[:space:]]* ]] ||
      { echo "FAIL: $exe imports $dll.dll, which Windows would look for beside the program first"; status=1; }
  done
  echo "$exe imports:" $dlls
done
exit "$status"
