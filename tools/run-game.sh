#!/usr/bin/env bash
# Sets up a fresh machine, builds the game (release with debug info) and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build/release -G Ninja -DQF_CONFIG=release
cmake --build build/release -j "$(nproc)"
exec build/release/bin/wombixomnivora "$@"
