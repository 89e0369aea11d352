#!/usr/bin/env bash
# Sets up the machine, builds the 32-bit release and the 64-bit test build,
# checks the release exe's imports, and runs every test under Wine.
# Exits non-zero on any failure, build errors included.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

scripts/setup.sh

configure() { # folder toolchain tests
  cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$2.cmake" -DLUMO_TESTS="$3" >/dev/null
}
configure build/i686 i686-w64-mingw32 OFF
configure build/x86_64 x86_64-w64-mingw32 ON

echo "== building the 32-bit release"
cmake --build build/i686
echo "== building the 64-bit test build"
cmake --build build/x86_64

echo "== checking the release exe's imports"
scripts/check-imports.sh build/i686/LumoBrowser.exe

prefix="$root/build/x86_64/wineprefix"
scripts/wine-prefix.sh "$prefix" start
trap 'scripts/wine-prefix.sh "$prefix" stop' EXIT
echo "== running the tests under Wine"
ctest --test-dir build/x86_64 --output-on-failure -j "${LUMO_TEST_JOBS:-2}" --timeout 300
