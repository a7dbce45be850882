#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: a normal build and
# an AddressSanitizer + UndefinedBehaviorSanitizer build; in between, the Debian
# package of the normal build is installed, run and removed, and the two fuzz
# targets run a fixed number of inputs from a fixed seed, so that the outcome depends
# on the code and not on how busy the machine is. Any failure, sanitizer report or
# fuzzer finding fails the run. Long random fuzzing is done by hand (see README).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$jobs"
  # The real-X tests need a display: a private Xvfb for the run.
  xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

echo "== normal build"
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo

echo "== Debian package: built, installed, run and removed"
scripts/package-check.sh build

echo "== fuzz targets (libFuzzer, clang, fixed runs and seed)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPIXSCOPE_FUZZ=ON -DPIXSCOPE_TESTS=OFF
cmake --build build-fuzz -j "$jobs" --target bmp_fuzzer dialog_fuzzer
seeds=(fuzz/regressions samples)
[ -d ../shared/corpus ] && seeds+=(../shared/corpus)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bmp" "$work/dialog"
build-fuzz/fuzz/bmp_fuzzer -runs=2500 -seed=1 -rss_limit_mb=4096 -timeout=60 \
  -artifact_prefix="$work/" -print_final_stats=1 "$work/bmp" "${seeds[@]}"
# Qt and fontconfig keep caches for the program's life, which the leak checks would
# take for leaks; the GUI tests check our own code for leaks under ASan.
ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen build-fuzz/fuzz/dialog_fuzzer \
  -runs=1500 -seed=1 -rss_limit_mb=4096 -timeout=60 -detect_leaks=0 \
  -artifact_prefix="$work/" -print_final_stats=1 "$work/dialog" "${seeds[@]}"

echo "== sanitizer build (ASan + UBSan)"
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:strict_string_checks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
run_suite build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIXSCOPE_SANITIZE=ON
