#!/usr/bin/env bash
# scripts/wine-run: a failing program fails the run, a program that runs too
# long is stopped and fails it, and neither leaves a wineserver or an Xvfb.
#   wine_run_tests.sh WINE_RUN LABEL_EXE
set -u
wine_run=${1:?usage: wine_run_tests.sh WINE_RUN LABEL_EXE}
tool=${2:?usage: wine_run_tests.sh WINE_RUN LABEL_EXE}
unset DISPLAY
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export QUILLORA_STANDIN_DIR="Z:${dir//\//\\}"
failures=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi; }
# Live ones only: an ended server may linger a moment as a zombie.
servers() { ps -eo pid=,stat=,args= | awk '$2 !~ /^Z/ && /wineserver|Xvfb/ && !/awk/ {print $1}' | sort; }
# A wineserver or Xvfb that was not there before the run.
leftovers() { [ -n "$(comm -13 <(echo "$before") <(servers))" ]; }
before=$(servers)

printf 'exit=3\n' > "$dir/label.ctl"
WINE_RUN_TIMEOUT=120 "$wine_run" "$tool" Q: FAILS >/dev/null 2>&1
rc=$?
check "a failing program fails the run (exit $rc)" '[ "$rc" = 3 ]'
check "nothing left after a failure" '! leftovers'

printf 'sleep_ms=600000\n' > "$dir/label.ctl"
start=$SECONDS
WINE_RUN_TIMEOUT=10 "$wine_run" "$tool" Q: HANGS >/dev/null 2>&1
rc=$?
check "a hanging program is stopped and fails the run (exit $rc)" '[ "$rc" != 0 ] && [ $((SECONDS - start)) -lt 60 ]'
check "nothing left after a time-out" '! leftovers'

echo "$(( 4 - failures )) passed, $failures failed"
[ "$failures" = 0 ]
