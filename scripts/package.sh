#!/usr/bin/env bash
# Builds the release and packs what a technician carries:
# dist/LumoBrowser-<version>-win32.zip with LumoBrowser.exe (symbols
# stripped), Config/LumoBrowser.cfg (the sample configuration) and
# README.txt. The version is the build's (git describe, see CMakeLists.txt).
#
# Usage: package.sh [i686|x86_64]
# i686 (the default) is the release. x86_64 packs the 64-bit build the same
# way into build/x86_64/dist/LumoBrowser-<version>-win64.zip: the package
# test runs that one, since only 64-bit programs run under Wine here.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
arch="${1:-i686}"
case "$arch" in
  i686) build=build/i686 tests=OFF out="$root/dist" suffix=win32 ;;
  x86_64) build=build/x86_64 tests=ON out="$root/build/x86_64/dist" suffix=win64 ;;
  *) echo "usage: $0 [i686|x86_64]" >&2; exit 2 ;;
esac
triple="$arch-w64-mingw32"

scripts/setup.sh >/dev/null
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$triple.cmake" -DLUMO_TESTS="$tests" >/dev/null
cmake --build "$build" --target LumoBrowser
version="$(cat "$build/version.txt")"

stage="$build/package/LumoBrowser-$version"
rm -rf "$build/package"
mkdir -p "$stage/Config" "$out"
# The build strips its exe into shipped/ (CMakeLists.txt).
cp "$build/shipped/LumoBrowser.exe" "$stage/LumoBrowser.exe"
# The check reads the delay-loaded imports from the symbols, which the packed
# copy no longer has; its import table is the build's.
if [ "$arch" = i686 ]; then
  scripts/check-imports.sh "$build/LumoBrowser.exe"
fi
# Text files for Notepad on Windows XP: CR LF line ends.
crlf() { sed 's/\r*$/\r/'; }
crlf <docs/LumoBrowser.cfg >"$stage/Config/LumoBrowser.cfg"
python3 scripts/docs.py readme-txt "$version" | crlf >"$stage/README.txt"

zip="$out/LumoBrowser-$version-$suffix.zip"
rm -f "$zip"
(cd "$stage" && zip -q -X -r "$zip" LumoBrowser.exe Config README.txt)
echo "package: $zip"
echo "LumoBrowser.exe: $(stat -c %s "$stage/LumoBrowser.exe") bytes"
