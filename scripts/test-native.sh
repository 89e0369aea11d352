#!/usr/bin/env bash
# Builds the pure logic natively (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs its unit tests. Exits non-zero on any
# failure or sanitizer report.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/setup.sh >/dev/null
cmake -S fuzz -B build/native -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/native --target test_native
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 build/native/test_native
