#!/usr/bin/env bash
# Sets up the machine, builds the 32-bit release and the 64-bit build, both
# with their tests, checks the release exe's imports, runs every test under
# Wine and the browser keys through the X server (scripts/check-keys.sh), then the 32-bit road (scripts/test-wow64.sh: the i686 tests and exe
# as WoW64 processes; LUMO_SKIP_WOW64=1 leaves it out), and checks that
# plain wine still runs the 64-bit build after it.
# Exits non-zero on any failure, build errors included.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

scripts/setup.sh

configure() { # folder toolchain tests
  cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$2.cmake" -DLUMO_TESTS="$3" >/dev/null
}
configure build/i686 i686-w64-mingw32 ON
configure build/x86_64 x86_64-w64-mingw32 ON

echo "== building the 32-bit release and its tests"
cmake --build build/i686
echo "== building the 64-bit test build"
cmake --build build/x86_64

echo "== checking the release exe's imports"
scripts/check-imports.sh build/i686/LumoBrowser.exe

echo "== packing the release, and the 64-bit build the same way for the package test"
scripts/package.sh i686 | grep -v '^\[' || true
test -f "dist/LumoBrowser-$(cat build/i686/version.txt)-win32.zip"
scripts/package.sh x86_64 >/dev/null
# The package test starts the program from a fresh folder holding exactly
# what the zip holds.
rm -rf build/x86_64/package-test
unzip -q "build/x86_64/dist/LumoBrowser-$(cat build/x86_64/version.txt)-win64.zip" -d build/x86_64/package-test

prefix="$root/build/x86_64/wineprefix"
echo "== running the tests under Wine, on a virtual X server for the windows"
# The wineserver and Wine's desktop start inside the X session, so every
# window of the tests has the same screen (1024 x 768).
scripts/wine-prefix.sh "$prefix" stop
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  scripts/wine-prefix.sh "$1" start
  ctest --test-dir build/x86_64 --output-on-failure -j "$2" --timeout 300
  rc=$?
  echo "== the browser keys pressed for real"
  scripts/check-keys.sh || rc=1
  scripts/wine-prefix.sh "$1" stop
  exit $rc' tests "$prefix" "${LUMO_TEST_JOBS:-2}"

if [ "${LUMO_SKIP_WOW64:-0}" != 1 ]; then
  echo "== the 32-bit road"
  scripts/test-wow64.sh
  echo "== plain wine still runs the 64-bit build"
  scripts/wine-run.sh "$prefix" build/x86_64/test_util.exe --gtest_brief=1 | tail -1
  scripts/wine-prefix.sh "$prefix" stop
fi
