#!/usr/bin/env bash
# Quillora.exe is a GUI program of the build's bitness that needs only
# Windows' own DLLs, asks for administrator rights and knows no test USB bus.
#   exe_checks.sh QUILLORA_EXE OBJDUMP KIND   (KIND: how `file` names it)
set -u
exe=${1:?usage: exe_checks.sh QUILLORA_EXE OBJDUMP KIND}
objdump=${2:?usage: exe_checks.sh QUILLORA_EXE OBJDUMP KIND}
kind=${3:?usage: exe_checks.sh QUILLORA_EXE OBJDUMP KIND}
failures=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi; }

check "$kind" 'file -b "$exe" | grep -qF "$kind"'
windows_dlls='^(advapi32|comctl32|comdlg32|gdi32|kernel32|msvcrt|ole32|oleaut32|shell32|user32|uxtheme)\.dll$'
others=$("$objdump" -p "$exe" | awk '/DLL Name:/ {print tolower($3)}' | grep -Ev "$windows_dlls")
check "only Windows' own DLLs${others:+ (also: $others)}" '[ -z "$others" ]'
check "manifest asks for requireAdministrator" \
  'grep -aq "requestedExecutionLevel level=\"requireAdministrator\"" "$exe"'
check "manifest asks for common controls 6" 'grep -aq "Microsoft.Windows.Common-Controls" "$exe"'
check "manifest declares per-monitor DPI awareness" 'grep -aq "PerMonitorV2" "$exe"'
# Only QuilloraTest.exe reads a USB bus from usb-bus.txt (UTF-16 in the program).
check "no test USB bus" '! LC_ALL=C grep -aqP "u\x00s\x00b\x00-\x00b\x00u\x00s\x00\.\x00t\x00x\x00t" "$exe"'

echo "$(( 6 - failures )) passed, $failures failed"
[ "$failures" = 0 ]
