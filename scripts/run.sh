#!/usr/bin/env bash
# Sets up the machine, builds LumoBrowser (64-bit, the build that runs under
# Wine here) and runs it under Wine with the given arguments. Without a
# display it runs under a virtual X server, saves a screenshot to
# screenshots/LumoBrowser.png and closes the window (scripts/screenshot.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

scripts/setup.sh
cmake -S . -B build/x86_64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake -DLUMO_TESTS=ON >/dev/null
cmake --build build/x86_64 --target LumoBrowser

prefix="$root/build/x86_64/wineprefix"
exe="$root/build/x86_64/LumoBrowser.exe"

if [ -n "${DISPLAY:-}" ]; then
  scripts/wine-prefix.sh "$prefix" start
  scripts/wine-run.sh "$prefix" "$exe" "$@"
  exit $?
fi
# Without a display: a virtual X server with a window manager; the window
# is saved to screenshots/LumoBrowser.png and closed through its window.
exec scripts/screenshot.sh --in-place "$root/screenshots/LumoBrowser.png" "$@"
