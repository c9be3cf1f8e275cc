#!/usr/bin/env bash
# Builds Google Benchmark for both mingw-w64 compilers, so that the Windows builds have their
# benchmarks too (run under wine). Debian packages it for the native compiler only; this takes
# the same release from Debian's source archive, checks it against the checksum Debian
# publishes, and installs it into each compiler's own tree (/usr/<triple>), where the cross
# builds look for libraries. Idempotent; run as root. Nothing of it is kept in this repository.
set -euo pipefail

version=1.7.1
sha256=6430e4092653380d9dc4ccb45a1e2dc9259d581f4866dc0759713126056bc1d7
url=http://deb.debian.org/debian/pool/main/b/benchmark/benchmark_${version}.orig.tar.gz
here=$(cd "$(dirname "$0")/.." && pwd)

wanted=()
for triple in i686-w64-mingw32 x86_64-w64-mingw32; do
  config=/usr/$triple/lib/cmake/benchmark/benchmarkConfigVersion.cmake
  if ! grep -q "\"$version\"" "$config" 2>/dev/null; then wanted+=("$triple"); fi
done
if [ ${#wanted[@]} -eq 0 ]; then
  echo "benchmark-mingw: already installed"
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
curl -fsS --retry 3 -o "$work/source.tar.gz" "$url"
echo "$sha256  $work/source.tar.gz" | sha256sum -c --quiet -
tar -xzf "$work/source.tar.gz" -C "$work"
for triple in "${wanted[@]}"; do
  case $triple in
    i686-*) toolchain=$here/cmake/toolchain-win32.cmake ;;
    *) toolchain=$here/cmake/toolchain-win64.cmake ;;
  esac
  cmake -S "$work/benchmark-$version" -B "$work/$triple" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="/usr/$triple" \
    -DBENCHMARK_ENABLE_TESTING=OFF -DBENCHMARK_ENABLE_GTEST_TESTS=OFF -DBENCHMARK_ENABLE_WERROR=OFF \
    -DBENCHMARK_INSTALL_DOCS=OFF -DHAVE_STD_REGEX=ON -DHAVE_STEADY_CLOCK=ON >/dev/null
  cmake --build "$work/$triple" >/dev/null
  cmake --install "$work/$triple" >/dev/null
  echo "benchmark-mingw: installed Google Benchmark $version for $triple"
done
