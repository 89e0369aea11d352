#!/usr/bin/env bash
# Prepares, warms or stops the private Wine prefix of one build folder.
# Usage: wine-prefix.sh PREFIX start|stop
set -eu
export WINEPREFIX="$1"
export WINEDEBUG=-all
export WINEARCH=win64
case "$2" in
  start)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      # No Mono or Gecko download prompts while the prefix is made.
      WINEDLLOVERRIDES="mscoree=;mshtml=" wineboot --init >/dev/null 2>&1 || true
      wineserver -w || true
    fi
    # A persistent, warm wineserver keeps ctest from stalling on Wine's
    # system processes holding its output pipe.
    wineserver -p 2>/dev/null || true  # already running is fine
    wine cmd /c exit >/dev/null 2>&1 || true
    ;;
  stop)
    wineserver -k >/dev/null 2>&1 || true
    ;;
esac
