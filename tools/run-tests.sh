#!/usr/bin/env bash
# Sets up a fresh machine and runs every test from one instrumented build: clang-14 with
# AddressSanitizer and UndefinedBehaviorSanitizer, every object also instrumented for libFuzzer.
# CTest then runs each test executable once (reporting each of its cases), the script engine's
# conformance scripts, the collector-stress runs, and each fuzz target over its seed corpus
# followed by a few seconds of fuzzing (QF_FUZZ_SECONDS, default 5).
#
# Uses every core it may run on (nproc honours taskset). The build goes to build/ci (override
# with QF_CI_BUILD_DIR); CTest's per-case results are also written to build/ci/junit.xml. Then
# a release build of the app and platform tests (build/ci-release) runs the cases the sanitizers
# cannot: those that read the C library's heap.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
build=${QF_CI_BUILD_DIR:-build/ci}
start=$(date +%s)
stamp() { echo "== $1 ($(( $(date +%s) - start )) s, load $(cut -d' ' -f1-3 /proc/loadavg))"; }

stamp "dependencies"
bash tools/install-deps.sh

# Headless: no display, no sound card.
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen}
export ALSOFT_DRIVERS=${ALSOFT_DRIVERS:-null}
export LIBGL_ALWAYS_SOFTWARE=1
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

stamp "configure ($jobs jobs)"
# The "ci" preset (CMakePresets.json): clang-14, ASan + UBSan, line tables only, with the tests,
# benchmarks, fuzz targets and -Werror the asan configuration turns on.
cmake --preset ci -B "$build" -DQF_FUZZ_SECONDS="${QF_FUZZ_SECONDS:-5}"
stamp "build"
cmake --build "$build" -j "$jobs"
stamp "tests"
(cd "$build" && ctest --output-on-failure -j "$jobs" --timeout 600 --output-junit junit.xml)

# What the sanitizers hide: under them another allocator serves malloc, so the cases that read
# and trim the C library's heap exist only in a release build. Only the framework's app tests
# and the platform's tests (the heap-trim task lives there) are built and run there.
release=${QF_CI_RELEASE_DIR:-${build}-release}
stamp "release configure"
cmake -S . -B "$release" -G Ninja -DQF_CONFIG=release -DQF_BUILD_TESTS=ON -DQF_WERROR=ON
stamp "release build (app and platform tests)"
cmake --build "$release" -j "$jobs" --target app_tests platform_tests
stamp "release tests"
(cd "$release" && ctest --output-on-failure -j "$jobs" -L '^(app|platform)$' --timeout 600 --output-junit junit.xml)
stamp "all tests passed"
