#!/usr/bin/env bash
# Runs a Windows program under wine in the build folder's private prefix.
# Usage: wine-run.sh PREFIX_DIR win32|win64 PROGRAM [ARGS...]
#        wine-run.sh PREFIX_DIR win32|win64 --start-server | --stop-server
set -eu
prefix=$1 arch=$2
shift 2
export WINEPREFIX=$prefix WINEARCH=$arch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    wineboot -i </dev/null >/dev/null 2>&1 || true
    wineserver -w
  fi
) 9>"$prefix.lock"

case "${1:-}" in
  --start-server)
    # A persistent server keeps each later wine run fast.
    wineserver -p </dev/null >/dev/null 2>&1 &
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
    exit 0 ;;
  --stop-server)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    exit 0 ;;
esac
# Now and then wine fails to start a program it starts fine a moment later ("Application could
# not be started ... ShellExecuteEx failed: Internal error."), before any of the program has run;
# and now and then wine's own loader dies of a segmentation fault (status 139) after the program
# has finished. A Windows program cannot end that way itself: its faults end it with their
# exception code (0xC0000005 -> 5), so 139 is wine's. Either is tried again, up to three times,
# and said on standard error. Any other end is the program's own.
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2 3; do
  status=0
  wine "$@" >"$out" 2>"$err" || status=$?
  if [ "$status" -ne 0 ] && [ "$attempt" -lt 3 ]; then
    if grep -q "ShellExecuteEx failed" "$out" "$err"; then
      echo "wine-run.sh: wine did not start $1 (attempt $attempt), trying again" >&2
      sleep 1
      continue
    fi
    if [ "$status" -eq 139 ]; then
      echo "wine-run.sh: wine itself died of a segmentation fault running $1 (attempt $attempt), trying again" >&2
      continue
    fi
  fi
  cat "$out"
  cat "$err" >&2
  exit "$status"
done
