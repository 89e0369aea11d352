#!/usr/bin/env bash
# The 32-bit road alone: the exe we ship, and the tests built the same way,
# as WoW64 processes in a win64 prefix (scripts/wow64.sh says how). Sets up
# the chroot (cached outside the clone), builds build/i686 with its tests,
# runs them, then checks the real i686 LumoBrowser.exe from outside:
#   - its window comes up with its caption and stays up, with no crash report;
#   - /s= reaches a 32-bit and a 64-bit portable browser as one argument;
#   - the "Networking" commands start the 64-bit system tools (System32 with
#     the redirection switched off), seen through WINEDEBUG=+process.
# Exits non-zero on any failure.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
start=$SECONDS

if [ "${1:-}" != --checks ]; then
  scripts/setup.sh
  scripts/wow64.sh setup
  echo "== building the 32-bit build with its tests (and the 64-bit stand-in browser)"
  for b in i686:i686-w64-mingw32 x86_64:x86_64-w64-mingw32; do
    cmake -S . -B "build/${b%%:*}" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-${b#*:}.cmake" -DLUMO_TESTS=ON >/dev/null
  done
  cmake --build build/i686 | grep -v '^\[' || true
  cmake --build build/x86_64 --target probe_urlsink | grep -v '^\[' || true
  prefix="$root/build/i686/wineprefix"
  echo "== the 32-bit tests as WoW64 processes, on a virtual X server"
  scripts/wow64.sh exec scripts/wine-prefix.sh "$prefix" stop
  rc=0
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    scripts/wow64.sh exec scripts/wine-prefix.sh "$1" start
    ctest --test-dir build/i686 --output-on-failure -j "$2" --timeout 600
    rc=$?
    scripts/test-wow64.sh --checks || rc=1
    scripts/wow64.sh exec scripts/wine-prefix.sh "$1" stop
    exit $rc' wow64 "$prefix" "${LUMO_TEST_JOBS:-2}" || rc=1
  echo "== the 32-bit road took $((SECONDS - start)) s"
  exit $rc
fi

# ---- the checks of the real exe, inside the X session, the prefix warm ----
prefix="$root/build/i686/wineprefix"
work="$root/build/i686/wow64-checks"
fail=0
ok() { echo "ok: $*"; }
bad() { echo "FAIL: $*"; fail=1; }
run() { scripts/wow64.sh run "$prefix" "$@"; }

# A kit: kit/LumoBrowser is the program's folder, "3rd Party Tools" beside it.
rm -rf "$work"
app="$work/kit/LumoBrowser"
mkdir -p "$app/Config" "$work/kit/3rd Party Tools/Sink32" "$work/kit/3rd Party Tools/Sink64"
cp build/i686/LumoBrowser.exe "$app/"
cp docs/LumoBrowser.cfg "$app/Config/"
cp build/i686/probe_urlsink.exe "$work/kit/3rd Party Tools/Sink32/sink.exe"
cp build/x86_64/probe_urlsink.exe "$work/kit/3rd Party Tools/Sink64/sink.exe"

# 1. The window: up with its caption, still up (and no crash report) a few
# seconds later, closed with Alt+F4. A window manager passes that on as the
# close button does (Wine's taskkill cannot name a 32-bit process).
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null || true' EXIT
run "$app/LumoBrowser.exe" >"$work/window.log" 2>&1 &
pid=$!
win=$(scripts/wait-window.sh $pid "^Lumo Web Browser" 60 || true)
if [ -z "$win" ]; then
  bad "the i686 exe showed no window \"Lumo Web Browser\""
  kill $pid 2>/dev/null || true
else
  ok "the i686 exe shows its window \"$(xdotool getwindowname "$win")\""
  sleep 5  # the web view comes, and whatever fails after the first paint
  if kill -0 $pid 2>/dev/null; then ok "still running 5 s later"; else bad "the i686 exe ended by itself"; fi
  xdotool windowactivate --sync "$win" key alt+F4
  for _ in $(seq 1 200); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  if kill -0 $pid 2>/dev/null; then bad "the i686 exe did not close its window"; kill $pid; fi
  wait $pid && ok "closed normally" || bad "the i686 exe ended with exit code $?"
fi
reports=$(find "$app" -name 'LumoBrowser_Crash_*' 2>/dev/null)
[ -z "$reports" ] || { bad "crash report written"; cat $reports; }

# 2. The hand-off: one argument for a 32-bit and a 64-bit portable browser.
for sink in Sink32 Sink64; do
  printf 'Browser.UseInternal=-1\r\nBrowser.PortablePath=%s\\sink.exe\r\n' "$sink" >"$app/Config/LumoBrowser.cfg"
  args="$work/kit/3rd Party Tools/$sink/urlsink.args"
  run "$app/LumoBrowser.exe" '/s=disk "cleanup" --new-window' >/dev/null 2>&1 || true
  for _ in $(seq 1 100); do [ -f "$args" ] && break; sleep 0.1; done
  if [ "$(wc -l <"$args" 2>/dev/null)" = 1 ] && grep -q 'q=disk' "$args"; then
    ok "/s= reaches the ${sink#Sink}-bit portable browser as one argument: $(cat "$args")"
  else
    bad "/s= to the ${sink#Sink}-bit portable browser: $(cat "$args" 2>/dev/null || echo 'nothing arrived')"
  fi
done

# 3. The "Networking" commands, run by the menu probe (the window's code,
# clicked as a click sends it) with the real tools. Everything the program
# starts is System32's cmd.exe by its full path, with the redirection off:
# the 64-bit one (a 64-bit module loads above 4 GB), which then starts the
# 64-bit netsh and ipconfig beside it.
WINEDEBUG=-all,+process,+loaddll run build/i686/probe_browsermenu.exe --real-tools \
  >"$work/menu.out" 2>"$work/menu.err" || true
grep -ao 'CreateProcessInternalW app L"[^"]*" cmdline L"[^"]*"' "$work/menu.err" |
  sed 's/^CreateProcessInternalW //' >"$work/started.txt" || true
sed 's/^/  /' "$work/started.txt"
ours=$(grep -ciF 'app L"C:\\windows\\system32\\cmd.exe" cmdline L"C:\\windows\\system32\\cmd.exe /c' \
  "$work/started.txt" || true)
[ "$ours" -ge 10 ] && ok "$ours tool commands start C:\\windows\\System32\\cmd.exe by its full path" ||
  bad "expected at least 10 starts of System32's cmd.exe, saw $ours"
loads="$(grep -aoiE 'Loaded L"[^"]*\\(cmd|netsh|ipconfig)\.exe" at [0-9A-F]+' "$work/menu.err" || true)"
for tool in cmd netsh ipconfig; do
  n64=$(grep -ciE "system32[\\\\]+$tool\.exe\" at [0-9A-F]{16}$" <<<"$loads" || true)
  n32=$(grep -ciE "[\\\\]+$tool\.exe\" at [0-9A-F]{8}$" <<<"$loads" || true)
  [ "$n64" -gt 0 ] && [ "$n32" -eq 0 ] && ok "$tool.exe ran $n64 times, always the 64-bit one of System32" ||
    bad "$tool.exe: $n64 runs of the 64-bit one, $n32 of a 32-bit one"
done
grep -qi 'syswow64' "$work/started.txt" && bad "a tool was started from SysWOW64"

exit $fail
