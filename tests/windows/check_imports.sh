#!/usr/bin/env bash
# Checks that Windows programs import only DLLs that Windows itself ships, so
# that the .exe runs without any DLL of its own beside it: no libstdc++,
# libgcc, winpthread, zlib or toolkit DLL (the tool chain links those
# statically, see cmake/mingw-w64-x86_64.cmake).
#
#   tests/windows/check_imports.sh PROGRAM.exe...
#
# Prints each program's imported DLLs; exits 1 when one is not on the list
# below, or when a file is no x86-64 Windows program or imports nothing.
set -euo pipefail
OBJDUMP=${OBJDUMP:-x86_64-w64-mingw32-objdump}

# DLLs of Windows itself (lower case). api-ms-win-crt-*.dll are the universal
# C run-time's (Windows 10 on), matched below.
SYSTEM_DLLS="advapi32.dll bcrypt.dll cfgmgr32.dll comctl32.dll comdlg32.dll crypt32.dll
  dwmapi.dll gdi32.dll gdiplus.dll hid.dll imm32.dll iphlpapi.dll kernel32.dll msimg32.dll
  msvcrt.dll ntdll.dll ole32.dll oleacc.dll oleaut32.dll powrprof.dll psapi.dll rpcrt4.dll
  secur32.dll setupapi.dll shcore.dll shell32.dll shlwapi.dll ucrtbase.dll user32.dll
  userenv.dll usp10.dll uxtheme.dll version.dll winhttp.dll winmm.dll winspool.drv
  ws2_32.dll wtsapi32.dll"
declare -A system_dll
for dll in $SYSTEM_DLLS; do system_dll[$dll]=1; done

[ $# -gt 0 ] || { echo "usage: $0 PROGRAM.exe..." >&2; exit 2; }
status=0
for exe in "$@"; do
  if ! "$OBJDUMP" -f "$exe" 2>/dev/null | grep -q 'file format pei-x86-64'; then
    echo "$exe: not an x86-64 Windows program" >&2
    status=1
    continue
  fi
  mapfile -t dlls < <("$OBJDUMP" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: *//p' | sort -fu)
  if [ ${#dlls[@]} -eq 0 ]; then
    echo "$exe: imports no DLL at all (not even kernel32.dll): not a program linked as expected" >&2
    status=1
    continue
  fi
  foreign=()
  for dll in "${dlls[@]}"; do
    lower=${dll,,}
    [[ -n "${system_dll[$lower]:-}" || "$lower" == api-ms-win-crt-*.dll ]] || foreign+=("$dll")
  done
  echo "$exe imports: ${dlls[*]}"
  if [ ${#foreign[@]} -gt 0 ]; then
    echo "$exe: imports DLLs that Windows does not ship: ${foreign[*]}" >&2
    status=1
  fi
done
exit $status
