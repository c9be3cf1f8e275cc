#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on a Debian 12 machine.
# Idempotent and non-interactive; run as root.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

stamp=/var/lib/vexlo-setup.stamp
packages=(
  build-essential cmake ninja-build pkg-config git curl lintian fakeroot
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
  googletest libgtest-dev libbenchmark-dev libsndfile1-dev
  libx11-dev libcairo2-dev clang libclang-rt-14-dev
  wine wine32:i386 wine64
  xvfb xauth x11-utils xdotool imagemagick sox libfftw3-dev python3-numpy python3-matplotlib
  dpf-plugins-vst amsynth zynaddsubfx-vst lsp-plugins-vst
  lmms:i386 lmms-vst-server:i386
)

# What the stamp records: the packages, and the benchmark library built for the Windows builds.
wanted="${packages[*]} benchmark-mingw-1.7.1"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ]; then
  echo "setup: already done"
  exit 0
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
# A mirror caught mid-sync refuses an index now and then ("File has unexpected size"): try
# again, and go on with the indexes there are if it still does; the install says what is missing.
for attempt in 1 2 3; do
  if apt-get update -q; then break; fi
  echo "setup: apt-get update failed (attempt $attempt)"
  sleep $((attempt * 10))
done
apt-get install -y -q --no-install-recommends "${packages[@]}"
bash "$(dirname "$0")/benchmark-mingw.sh"
echo "$wanted" > "$stamp"
echo "setup: done"
