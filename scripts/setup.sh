#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on a Debian 12 machine.
# Idempotent and non-interactive; run as root.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

stamp=/var/lib/vexlo-setup.stamp
packages=(
  build-essential cmake ninja-build pkg-config git
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
  googletest libgtest-dev libbenchmark-dev libsndfile1-dev
  libx11-dev libcairo2-dev clang libclang-rt-14-dev
  wine wine32:i386 wine64
  xvfb xauth x11-utils xdotool imagemagick sox libfftw3-dev python3-numpy python3-matplotlib
  dpf-plugins-vst amsynth zynaddsubfx-vst lsp-plugins-vst
  lmms:i386 lmms-vst-server:i386
)

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "${packages[*]}" ]; then
  echo "setup: already done"
  exit 0
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -q
apt-get install -y -q --no-install-recommends "${packages[@]}"
echo "${packages[*]}" > "$stamp"
echo "setup: done"
