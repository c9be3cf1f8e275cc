#!/usr/bin/env bash
# A read-only install: the test program's folder (root's, like /usr/lib/vst or Program Files) run
# by a user who may not write there, with an empty home: Vexlo VM's settings land in that user's
# settings folder, a second start asks nothing, nothing is written beside the library (the test
# ConfigDefault.WhereNothingMayBeWritten... says how). Under wine the user gets a prefix of its own.
# Usage: read_only_install.sh TEST_PROGRAM [win32|win64]
set -euo pipefail
program=$1 arch=${2:-}
[ "$(id -u)" -eq 0 ] || { echo "needs root, to run the program as another user"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
mkdir "$work/home" "$work/bin"
chown 65534:65534 "$work/home"
# A copy in a folder of root's that anyone may read: the checkout itself may lie in a folder the
# other user cannot enter.
cp "$program" "$work/bin/"
program=$work/bin/$(basename "$program")
run=(env -i PATH=/usr/bin:/bin HOME="$work/home" DISPLAY="${DISPLAY:-}")
[ -z "$arch" ] || run+=(WINEPREFIX="$work/home/prefix" WINEARCH="$arch" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wine)
setpriv --reuid=65534 --regid=65534 --clear-groups "${run[@]}" "$program" \
  --gtest_filter='ConfigDefault.WhereNothingMayBeWrittenBesideTheLibraryTheUsersFolderServes' >"$work/out" 2>&1 || true
tr -d '\r' <"$work/out" >"$work/log"
grep -q '^\[  PASSED  \] 1 test' "$work/log" && ! grep -q 'SKIPPED' "$work/log" ||
  { echo "the read-only install test did not pass:"; cat "$work/log"; exit 1; }
find "$work/home" -name '*.vIni' | sed "s|$work/home|~|"
echo "settings in the user's folder, asked once, nothing beside the library"
