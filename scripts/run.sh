#!/usr/bin/env bash
# Sets up the machine, builds LumoBrowser (64-bit, the build that runs under
# Wine here) and runs it under Wine with the given arguments. Without a
# display it runs under a virtual X server and saves a screenshot to
# screenshots/LumoBrowser.png.
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
# Without a display: Wine's server and desktop start inside the virtual X
# session, so the window has a screen to appear on.
scripts/wine-prefix.sh "$prefix" stop

mkdir -p screenshots
shot="$root/screenshots/LumoBrowser.png"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$1"/scripts/wine-prefix.sh "$2" start
  "$1"/scripts/wine-run.sh "$2" "$3" "${@:5}" &
  pid=$!
  for i in $(seq 1 50); do
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  sleep 2
  import -window root "$4" 2>/dev/null && echo "screenshot: $4"
  if kill -0 $pid 2>/dev/null; then kill $pid; fi
  wait $pid 2>/dev/null; echo "LumoBrowser exit code: $?"
  "$1"/scripts/wine-prefix.sh "$2" stop
' run "$root" "$prefix" "$exe" "$shot" "$@"
