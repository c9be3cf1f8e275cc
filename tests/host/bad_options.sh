#!/usr/bin/env bash
# vexlo-host refuses options and inputs it cannot use: one line on stderr, status 2, no output
# written, and nothing left beside a plug-in that the --vm-... options were wrongly given.
# Usage: bad_options.sh VEXLO_HOST BIN_FOLDER
set -uo pipefail
host=$1 bin=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home
mkdir -p "$HOME" "$work/folder" "$work/lib"
ext=.so
cp "$bin/test-synth$ext" "$work/lib/"
synth=$work/lib/test-synth$ext
mkfifo "$work/pipe"
failures=0

refused() {
  rm -f "$work/out.wav"
  "$host" render "$synth" "$@" -o "$work/out.wav" >"$work/stdout" 2>"$work/stderr" </dev/null
  local status=$?
  local lines
  lines=$(wc -l <"$work/stderr")
  if [ "$status" -ne 2 ] || [ "$lines" -ne 1 ] || [ -e "$work/out.wav" ]; then
    echo "not refused as it should be: $* (status $status, $lines lines)"; cat "$work/stderr"
    failures=$((failures + 1))
  fi
}

for option in --rate --length --tempo; do
  for value in 1e9 nan inf -inf -5 x; do refused "$option" "$value"; done
done
refused --block 2147483647
refused --block 0
refused --block 1.5
refused --midi-file "$work/folder"
refused --midi-file /dev/zero
refused --midi-file "$work/pipe"
refused --midi-file "$work/missing.mid"
refused --notes 60:0:inf
refused --notes nan
refused --notes 60:-1
refused --notes 200
refused --state "$work/folder"
refused --state /dev/zero
refused --save-preset "$work/pipe"
refused --save-state "$work/pipe"
refused --save-preset "$work/folder"
refused --vm-factor 3
refused --vm-quality best
refused --vm-midi 7:"$synth"
refused --vm-instrument "$bin/test-mono$ext"
if [ "$(ls "$work/lib")" != "test-synth$ext" ]; then
  echo "files were left beside a plug-in that is not Vexlo VM:"; ls "$work/lib"
  failures=$((failures + 1))
fi
# Every command answers --help and -h with its usage, and touches nothing.
for command in "" info render scan edit validate; do
  for flag in --help -h; do
    out=$("$host" $command $flag 2>&1 </dev/null)
    status=$?
    if [ "$status" -ne 0 ] || ! grep -q "vexlo-host ${command:-render}" <<<"$out"; then
      echo "vexlo-host $command $flag did not answer with its usage (status $status): $out" | head -n 3
      failures=$((failures + 1))
    fi
  done
done
# What is in range still renders.
"$host" render "$synth" --rate 48000 --block 64 --length 0.5 --tempo 90 --notes 60:0:1 -o "$work/out.wav" >/dev/null ||
  { echo "a good render failed"; failures=$((failures + 1)); }
echo "$failures failed"
[ "$failures" -eq 0 ]
