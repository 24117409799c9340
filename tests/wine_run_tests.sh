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
# Every process a run starts (wine, its wineserver, its Xvfb) inherits this
# mark; other Wine jobs on the machine do not carry it.
mark="wine-run-tests-$$-$RANDOM"
# Live ones only: an ended server may linger a moment as a zombie. One grep
# over every environment: a scan forking per process is too slow on a busy
# machine to see a run of a few seconds.
own() {
  local f p state
  for f in $(grep -lsxz "QUILLORA_RUN_MARK=$mark" /proc/[0-9]*/environ 2>/dev/null); do
    p=${f%/environ}
    state=$(sed 's/^.*) //' "$p/stat" 2>/dev/null | cut -d' ' -f1)
    [ -n "$state" ] && [ "$state" != Z ] && echo "${p#/proc/}"
  done
  return 0
}
leftovers() { [ -n "$(own)" ]; }
run() { QUILLORA_RUN_MARK=$mark "$wine_run" "$@"; }

printf 'exit=3\n' > "$dir/label.ctl"
WINE_RUN_TIMEOUT=120 run "$tool" Q: FAILS >/dev/null 2>&1
rc=$?
check "a failing program fails the run (exit $rc)" '[ "$rc" = 3 ]'
check "nothing left after a failure" '! leftovers'

printf 'sleep_ms=600000\n' > "$dir/label.ctl"
start=$SECONDS
WINE_RUN_TIMEOUT=20 run "$tool" Q: HANGS >/dev/null 2>&1 &
runner=$!
seen=0
while kill -0 "$runner" 2>/dev/null; do
  [ -n "$(own | head -n 1)" ] && { seen=1; break; }
  sleep 0.2
done
wait "$runner"
rc=$?
check "the run's own processes are told apart while it runs" '[ "$seen" = 1 ]'
check "a hanging program is stopped and fails the run (exit $rc)" '[ "$rc" != 0 ] && [ $((SECONDS - start)) -lt 60 ]'
check "nothing left after a time-out" '! leftovers'

echo "$(( 5 - failures )) passed, $failures failed"
[ "$failures" = 0 ]
