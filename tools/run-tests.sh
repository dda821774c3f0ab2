#!/usr/bin/env bash
# Sets up a fresh machine and runs every test: the asan build (AddressSanitizer and
# UndefinedBehaviorSanitizer) with all CTest tests, then the libFuzzer build with each fuzz
# target run briefly over its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

bash tools/install-deps.sh

# Headless: no display, no sound card.
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen}
export ALSOFT_DRIVERS=${ALSOFT_DRIVERS:-null}
export LIBGL_ALWAYS_SOFTWARE=1
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

echo "== asan build"
cmake -S . -B build/asan -G Ninja -DQF_CONFIG=asan -DCMAKE_BUILD_TYPE=Debug
cmake --build build/asan -j "$jobs"
echo "== tests"
(cd build/asan && ctest --output-on-failure -j "$jobs" --timeout 600)

echo "== fuzz build"
cmake -S . -B build/fuzz -G Ninja -DQF_CONFIG=fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
cmake --build build/fuzz -j "$jobs" --target fuzzers
seconds=${QF_FUZZ_SECONDS:-5}
shopt -s nullglob
for bin in build/fuzz/bin/fuzz_*; do
  what=${bin##*/fuzz_}
  corpus="$root/fuzz/corpus/$what"
  work=$(mktemp -d)
  echo "== fuzz $what (${seconds}s)"
  if [ -d "$corpus" ]; then
    "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 "$work" "$corpus" >"$work.log" 2>&1 \
      || { tail -n 60 "$work.log"; exit 1; }
  else
    "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "$work" >"$work.log" 2>&1 \
      || { tail -n 60 "$work.log"; exit 1; }
  fi
  rm -rf "$work" "$work.log"
done
echo "all tests passed"
