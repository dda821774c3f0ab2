#!/usr/bin/env bash
# Builds the sound tests with ThreadSanitizer in build/sound-tsan and runs them.
# Usage: bash qflib/src/core/sound/tests/run-tsan.sh [build dir]   (JOBS=n limits the build)
set -euo pipefail
root="$(cd "$(dirname "$0")/../../../../.." && pwd)"
build="${1:-$root/build/sound-tsan}"
cmake -S "$root" -B "$build" -G Ninja -DQF_CONFIG=release -DQF_BUILD_TESTS=ON \
  -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build "$build" -j "${JOBS:-$(nproc)}" --target sound_tests sound_wave_tests
export ALSOFT_DRIVERS=null TSAN_OPTIONS="halt_on_error=1 ${TSAN_OPTIONS:-}"
"$build/bin/sound_tests"
"$build/bin/sound_wave_tests"
