#!/usr/bin/env bash
# Waits until a visible X window whose name matches NAME (xdotool's regular
# expression) is there, or the process PID has ended, or SECONDS have
# passed; prints the window's id. Exits 1 when no window came.
# Usage: wait-window.sh PID NAME SECONDS
set -u
pid=$1 name=$2 seconds=$3
for _ in $(seq 1 $((seconds * 10))); do
  win=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -1)
  [ -n "$win" ] && { echo "$win"; exit 0; }
  kill -0 "$pid" 2>/dev/null || exit 1
  sleep 0.1
done
exit 1
