#!/usr/bin/env bash
# Runs a Windows program under wine64 in the given private prefix.
# Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
set -u
export WINEPREFIX="$1"; shift
export WINEDEBUG="${WINEDEBUG:--all}"  # a caller may ask for channels (+process)
export WINEARCH=win64
exec wine "$@"
