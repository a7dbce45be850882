#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: a normal build and
# an AddressSanitizer + UndefinedBehaviorSanitizer build. Any failure or sanitizer
# report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

echo "== normal build"
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo

echo "== sanitizer build (ASan + UBSan)"
export ASAN_OPTIONS=abort_on_error=0:halt_on_error=1:detect_leaks=1:strict_string_checks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
run_suite build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIXSCOPE_SANITIZE=ON
