#!/usr/bin/env bash
# Sets up a fresh machine, builds the game and its assets only (release with debug info) and
# runs it. tools/run-tests.sh builds everything.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build/release -G Ninja -DQF_CONFIG=release
cmake --build build/release -j "$(nproc)" --target game
exec build/release/bin/wombixomnivora "$@"
