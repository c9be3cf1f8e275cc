#!/usr/bin/env bash
# vexlo-host scan on a folder of test plug-ins, as a musician runs it from a terminal or a log:
# a line for each probe ("Scanning n of N: name") and a summary; probes at once write the
# database probes one at a time write; a rescan of the unchanged folder probes nothing, and a
# library written anew is the only one probed again.
# Usage: scan_command.sh BIN_FOLDER EXTENSION [RUNNER...]  (a Windows build's runner is wine-run.sh)
set -euo pipefail
bin=$1 ext=$2
shift 2
runner=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
host=("${runner[@]}" "$bin/vexlo-host$([ "$ext" = .dll ] && echo .exe || true)")

mkdir -p "$work/plugins/sub" "$work/vm"
cp -r "$bin/Vexlo VM"* "$work/vm/"
rm -f "$work/vm/"*.vIni
n=0
for plugin in test-synth test-mono test-midi-fx test-deaf test-crash test-wide; do
  where=$work/plugins
  [ $((n % 2)) -eq 0 ] && where=$work/plugins/sub
  cp "$bin/$plugin$ext" "$where/$plugin-copy$ext"
  n=$((n + 1))
done
scan() {
  "${host[@]}" scan "$work/vm/Vexlo VM$ext" "$work/plugins" "$@" | tr -d '\r' >"$work/out.txt" ||
    { echo "vexlo-host scan failed:"; cat "$work/out.txt"; exit 1; }
}
database="$work/plugins/Vexlo VST Scan.vIni"
expect() {
  grep -q "$1" "$work/out.txt" || { echo "expected \"$1\" in:"; cat "$work/out.txt"; exit 1; }
}

scan --probes 1
cp "$database" "$work/one-at-a-time.vIni"
[ "$(grep -c '^Scanning [1-6] of 6: ' "$work/out.txt")" -eq 6 ] || { echo "not a line for each probe:"; cat "$work/out.txt"; exit 1; }
expect "6 found, 6 new, 0 changed, 0 unchanged, 1 ignored; 6 probed"
rm "$database"
scan
cmp -s "$database" "$work/one-at-a-time.vIni" || { echo "probes at once wrote another database"; exit 1; }
echo "probes at once and one at a time: the same database"

scan
expect "6 found, 0 new, 0 changed, 5 unchanged, 1 ignored; 0 probed"
grep -q "^Scanning" "$work/out.txt" && { echo "a rescan of an unchanged folder probed:"; cat "$work/out.txt"; exit 1; }
scan --only-new
expect "5 unchanged, 1 ignored; 0 probed"
cp "$bin/test-synth$ext" "$work/plugins/test-mono-copy$ext"  # written anew, another plug-in now
scan --only-new
expect "0 new, 1 changed, 4 unchanged, 1 ignored; 1 probed"
expect "Scanning 1 of 1: test-mono-copy"
echo "rescans probe only what changed"
