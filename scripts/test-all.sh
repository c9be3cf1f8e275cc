#!/usr/bin/env bash
# Builds every target and runs every test: native Linux, Linux with sanitizers, and the 32-bit
# and 64-bit Windows builds under wine (with a real Windows host, LMMS, for the 32-bit one).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

presets=${VEXLO_PRESETS:-"linux-x64 linux-asan linux-tsan win32 win64"}
summary=()
total=0
start=$SECONDS
for preset in $presets; do
  echo "=== $preset ==="
  t0=$SECONDS
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  # Real plug-ins write into $HOME: give them an empty one.
  test_home=$(mktemp -d)
  HOME=$test_home ctest --preset "$preset" 2>&1 | tee "build/$preset/ctest.log"
  rc=${PIPESTATUS[0]}
  rm -rf "$test_home"
  counts=$(grep -E 'tests passed' "build/$preset/ctest.log" | tail -n 1)
  total=$((total + $(echo "$counts" | sed -E 's/.* out of ([0-9]+).*/\1/')))
  summary+=("$preset: $counts ($((SECONDS - t0)) s)")
  [ "$rc" -eq 0 ] || { printf '%s\n' "${summary[@]}"; echo "FAILED: $preset"; exit 1; }
done

if [ "${VEXLO_FUZZ:-on}" != off ]; then
  echo "=== fuzz ==="
  t0=$SECONDS
  bash scripts/fuzz.sh
  summary+=("fuzz: every seed and every input that ever found a fault replayed, then each reader (Vexlo VM's setChunk, FXP, FXB, links, the bridge's event lists and answers, a library's header, the MIDI plug-ins' chunks, the settings store, BMP, skin files, MIDI files) for a fixed number of runs from a fixed seed, no finding ($((SECONDS - t0)) s)")
fi

echo "=== summary ($((SECONDS - start)) s) ==="
printf '%s\n' "${summary[@]}"
echo "total: $total passed, 0 failed"
