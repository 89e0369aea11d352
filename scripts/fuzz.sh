#!/usr/bin/env bash
# Builds the native fuzz targets (fuzz/, clang with libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs each for SECONDS seconds.
# Usage: scripts/fuzz.sh SECONDS
# Prints one line per target: "fuzz NAME: N runs, M crashes". Exits non-zero
# when any target crashed. The seed corpora are fuzz/corpus/NAME/ (kept in
# the repository); what a run adds goes to build/native/corpus/NAME/, and
# the input of a crash to build/native/crashes/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
seconds="${1:?usage: scripts/fuzz.sh SECONDS}"

scripts/setup.sh >/dev/null
build=build/native
cmake -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" >/dev/null

mkdir -p "$build/crashes"
failed=0
for exe in "$build"/fuzz_*; do
  [ -x "$exe" ] || continue
  name="$(basename "$exe")"
  name="${name#fuzz_}"
  seeds="fuzz/corpus/$name"
  work="$build/corpus/$name"
  mkdir -p "$seeds" "$work"
  log="$build/fuzz_$name.log"
  before=$(find "$build/crashes" -name "$name-*" | wc -l)
  rc=0
  "$exe" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=2048 \
    -artifact_prefix="$build/crashes/$name-" "$work" "$seeds" >"$log" 2>&1 || rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  crashes=$(($(find "$build/crashes" -name "$name-*" | wc -l) - before))
  # A sanitizer report or a broken property ends the run without an artifact
  # only when libFuzzer itself fails; that counts as one.
  if [ "$rc" -ne 0 ] && [ "$crashes" -eq 0 ]; then crashes=1; fi
  echo "fuzz $name: ${runs:-0} runs, $crashes crashes"
  if [ "$crashes" -ne 0 ]; then
    failed=1
    grep -m5 -E 'ERROR|runtime error|property broken|SUMMARY' "$log" >&2 || true
  fi
done
exit "$failed"
