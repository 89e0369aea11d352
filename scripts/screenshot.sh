#!/usr/bin/env bash
# Takes a picture of LumoBrowser's window, title bar included: builds the
# 64-bit exe, starts it under Wine on a virtual X server with a small window
# manager (openbox) to draw the frame, saves the window and ends the program
# through its window (WM_CLOSE, as the close button does).
#
# Usage: screenshot.sh [--in-place] [OUT.png] [arguments for LumoBrowser.exe]
# OUT.png defaults to docs/window.png, the picture in the README, taken of
# a fresh program folder with the sample configuration. --in-place runs
# build/x86_64/LumoBrowser.exe where it is, with the Config folder beside
# it (scripts/run.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
in_place=0
if [ "${1:-}" = "--in-place" ]; then in_place=1; shift; fi
out="$(realpath -m "${1:-docs/window.png}")"
shift || true

scripts/setup.sh >/dev/null
cmake -S . -B build/x86_64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake -DLUMO_TESTS=ON >/dev/null
cmake --build build/x86_64 --target LumoBrowser | grep -v '^\[' || true

# The program as the package lays it out: the exe and the sample configuration.
folder="$root/build/x86_64/screenshot"
mkdir -p "$(dirname "$out")"
if [ $in_place -eq 1 ]; then
  folder="$root/build/x86_64"
else
  rm -rf "$folder"
  mkdir -p "$folder/Config"
  cp build/x86_64/LumoBrowser.exe "$folder/"
  cp docs/LumoBrowser.cfg "$folder/Config/"
fi

prefix="$root/build/x86_64/wineprefix"
# Wine's server starts inside the virtual X session, so the window has a
# screen to appear on.
scripts/wine-prefix.sh "$prefix" stop
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -u
  root=$1 prefix=$2 exe=$3 out=$4
  shift 4
  openbox --sm-disable >/dev/null 2>&1 &
  wm=$!
  "$root"/scripts/wine-prefix.sh "$prefix" start
  "$root"/scripts/wine-run.sh "$prefix" "$exe" "$@" &
  pid=$!
  win=$("$root"/scripts/wait-window.sh $pid "Web Browser" 10)
  rc=1
  if [ -n "$win" ]; then
    sleep 1.5  # the first paint
    import -frame -window "$win" "$out" && echo "screenshot: $out"
    WINEPREFIX="$prefix" WINEDEBUG=-all wine taskkill /im LumoBrowser.exe >/dev/null 2>&1
    for i in $(seq 1 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    if kill -0 $pid 2>/dev/null; then
      echo "LumoBrowser did not close its window"; kill $pid
    else
      wait $pid && rc=0
      [ $rc -eq 0 ] && echo "LumoBrowser closed normally"
    fi
  else
    echo "LumoBrowser showed no window"
    kill $pid 2>/dev/null || true
  fi
  "$root"/scripts/wine-prefix.sh "$prefix" stop
  kill $wm 2>/dev/null || true
  exit $rc
' screenshot "$root" "$prefix" "$folder/LumoBrowser.exe" "$out" "$@"
