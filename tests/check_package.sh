#!/usr/bin/env bash
# The packages hold what the install step lays out and nothing else: the zip of a Windows build
# (with its read-me), or the .deb (under /usr/lib/vst, with Debian's copyright and changelog; its
# control data read by dpkg-deb, lintian without errors, unpacked into a root of its own) and the
# .tar.gz of the Linux build.
# Usage: check_package.sh BUILD_FOLDER VERSION win32|win64|linux
set -euo pipefail
build=$1 version=$2 kind=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/installed" >/dev/null
(cd "$work/installed" && find . -type f | sed 's|^\./||' | sort) >"$work/expected"
[ -s "$work/expected" ] || { echo "the install step laid out nothing"; exit 1; }
same_files() {  # LISTING NAME
  diff -u "$work/expected" "$1" >"$work/diff" || { echo "$2 differs from the install step:"; cat "$work/diff"; exit 1; }
}

if [ "$kind" != linux ]; then
  zip=$build/vexlo-$version-$kind.zip
  [ -f "$zip" ] || { echo "no $zip"; exit 1; }
  echo "Vexlo read me.txt" >>"$work/expected"
  sort -o "$work/expected" "$work/expected"
  unzip -Z1 "$zip" | grep -v '/$' | sort >"$work/zip"
  same_files "$work/zip" "$(basename "$zip")"
  echo "$(basename "$zip"): $(wc -l <"$work/zip") files, as installed, and the read-me"
  exit 0
fi

deb=$build/vexlo_${version}_amd64.deb tgz=$build/vexlo-$version-linux-x86_64.tar.gz
[ -f "$deb" ] && [ -f "$tgz" ] || { echo "no $deb or $tgz"; exit 1; }
dpkg-deb --info "$deb" >"$work/info"
grep -q "^ Version: $version$" "$work/info" || { echo "the .deb does not carry version $version:"; cat "$work/info"; exit 1; }
grep -q "^ Depends: .*libcairo2" "$work/info" || { echo "the .deb does not depend on Cairo:"; cat "$work/info"; exit 1; }
dpkg-deb --contents "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }' | grep -v '/$' |
  sed 's|^\./||' | sort >"$work/deb"
sed 's|^|usr/lib/vst/|' "$work/expected" >"$work/expected-deb"
printf '%s\n' usr/share/doc/vexlo/CHANGELOG.md usr/share/doc/vexlo/changelog.gz usr/share/doc/vexlo/copyright >>"$work/expected-deb"
sort -o "$work/expected-deb" "$work/expected-deb"
diff -u "$work/expected-deb" "$work/deb" || { echo "the .deb holds other files than the install step lays out"; exit 1; }
lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || true
if grep -q "^E: " "$work/lintian"; then echo "lintian finds errors:"; cat "$work/lintian"; exit 1; fi
mkdir "$work/root"
dpkg-deb --extract "$deb" "$work/root"
[ -f "$work/root/usr/lib/vst/Vexlo VM.so" ] && [ -x "$work/root/usr/lib/vst/vexlo-probe" ] ||
  { echo "the unpacked .deb lacks Vexlo VM or its probe"; exit 1; }
echo "$(basename "$deb"): $(wc -l <"$work/deb") files under /usr/lib/vst and the docs; lintian: $(grep -c '^W: ' "$work/lintian" || true) warnings, no error"

echo "Vexlo read me.txt" >>"$work/expected"
sed "s|^|vexlo-$version-linux-x86_64/|" "$work/expected" | sort >"$work/expected-tgz"
tar -tzf "$tgz" | grep -v '/$' | sort >"$work/tgz"
diff -u "$work/expected-tgz" "$work/tgz" || { echo "the .tar.gz holds other files than the install step lays out"; exit 1; }
echo "$(basename "$tgz"): $(wc -l <"$work/tgz") files, as installed, and the read-me"
