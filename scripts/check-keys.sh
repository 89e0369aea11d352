#!/usr/bin/env bash
# The browser keys pressed for real: the x86_64 exe (with the recording web
# view) under a window manager, keys typed through the X server, what the
# window did read back by probe_windowtext.exe. Run inside an X session with
# the build folder's Wine prefix started (scripts/test.sh does both).
# Usage: check-keys.sh [BUILD]   (default build/x86_64)
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
build="${1:-build/x86_64}"
export WINEPREFIX="$root/$build/wineprefix" WINEDEBUG=-all LUMO_TEST_WEBVIEW=record
fail=0
ok() { echo "ok: $*"; }
bad() { echo "FAIL: $*"; fail=1; }

openbox --sm-disable >/dev/null 2>&1 &
wm=$!
pid=
trap 'kill $wm $pid 2>/dev/null || true' EXIT
# Starts the exe and waits for its window. When none comes, says why (the
# process ended, with its exit code, or the wait ran out) and which windows
# the X server has; a fresh machine's first start was once seen to show none.
start() {
  wine "$build/LumoBrowser.exe" >"$build/check-keys.log" 2>&1 &
  pid=$!
  win=$(scripts/wait-window.sh $pid "^Lumo Web Browser" 60) && return 0
  if kill -0 $pid 2>/dev/null; then
    echo "no window within 60 s"
    kill $pid 2>/dev/null
  else
    wait $pid
    echo "no window: the process ended with exit code $?"
  fi
  echo "the X server's windows: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' '|')"
  tail -5 "$build/check-keys.log"
  return 1
}
start || { echo "starting once more"; start; } || { echo "FAIL: no window"; exit 1; }
sleep 2  # the web view comes after the first paint
xdotool windowactivate --sync "$win"
# Alt+Left and Alt+Right, then Alt+D and an address typed: no Alt key may
# leave the menu bar waiting for what is typed next.
for k in alt+Left alt+Right alt+d; do xdotool key "$k"; sleep 0.3; done
xdotool type --delay 50 "new"
# Find, print and zoom, wherever the focus is: here in the address box.
for k in ctrl+f ctrl+p ctrl+plus ctrl+minus ctrl+0; do xdotool key "$k"; sleep 0.3; done
# Ctrl and the wheel over the page.
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
for button in 4 5; do xdotool keydown ctrl click $button keyup ctrl; sleep 0.3; done
want="back forward find print zoom in zoom out zoom reset zoom in zoom out"
# Read back until all has arrived (a busy machine may be slow), at most 10 s.
for _ in $(seq 1 20); do
  sleep 0.5
  out="$(wine "$build/probe_windowtext.exe" | tr -d '\r')"
  did="$(sed -n 's/^view=//p' <<<"$out" | grep -vE '^(option|key) ' | tr '\n' ' ' | sed 's/ $//')"
  grep -qx "address=new" <<<"$out" && [ "$did" = "$want" ] && break
done
grep -qx "address=new" <<<"$out" && ok "Alt+D, then typing, replaces the address" ||
  bad "the typed address did not arrive: $(grep '^address=' <<<"$out")"
[ "$did" = "$want" ] && ok "the page got: $did" || bad "the page got [$did], expected [$want]"
xdotool windowactivate --sync "$win" key alt+F4
for _ in $(seq 1 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
exit $fail
