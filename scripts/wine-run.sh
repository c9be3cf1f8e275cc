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
exec wine "$@"
