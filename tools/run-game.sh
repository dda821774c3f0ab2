#!/usr/bin/env bash
# Sets up a fresh machine with the player's packages, builds the game and its data only (the
# "release" preset: optimised with debug info, no tests, benchmarks or fuzz targets) and runs it.
# tools/run-tests.sh builds everything.
#
# A second launch with nothing changed starts at once: the package check and the configure step
# run only when what they cover changed (stamps in build/release/.run-game/ hold the content hash
# of tools/install-deps.sh, and of this script, CMakePresets.json and every CMake file); the
# build step always runs and does nothing when nothing changed.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/release
stamps=$build/.run-game

# The names and contents of the files given.
hash_of() { { printf '%s\n' "$@"; cat "$@"; } | sha256sum | cut -d' ' -f1; }
stamp_is() { [ "$(cat "$stamps/$1" 2>/dev/null)" = "$2" ]; }
stamp() { mkdir -p "$stamps" && echo "$2" >"$stamps/$1"; }

packages=$(hash_of tools/install-deps.sh)
if ! stamp_is packages "$packages"; then
  bash tools/install-deps.sh --player
  stamp packages "$packages"
fi

mapfile -t cmake_files < <(find . \( -path ./build -o -path ./.git \) -prune -o \
  \( -name CMakeLists.txt -o -name '*.cmake' \) -print | LC_ALL=C sort)
configuration=$(hash_of tools/run-game.sh CMakePresets.json "${cmake_files[@]}")
if ! stamp_is configuration "$configuration" || [ ! -f "$build/build.ninja" ]; then
  cmake --preset release
  stamp configuration "$configuration"
fi

cmake --build "$build" -j "$(nproc)" --target game
exec "$build/bin/wombixomnivora" "$@"
