#!/usr/bin/env bash
# Measures the levels again: plays runs 0-31 of every timed level with the content play test's
# autopilot (release build, four processes side by side), keeps the runs in
# assets/tests/autopilot_runs.txt and rewrites the levels, their medal times and DESIGN.md from
# them. Needs a configured release build: build/release (or the folder given as the argument).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
cmake --build "$build" -j4 --target content_play_tests
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for i in 0 1 2 3; do
    QF_MEDAL_RUNS=32 GTEST_TOTAL_SHARDS=4 GTEST_SHARD_INDEX=$i SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null \
        QF_SOURCE_DIR="$PWD" QF_BINARY_DIR="$PWD/$build" \
        "$build/bin/content_play_tests" --gtest_filter='*_timed' >"$work/shard$i.log" 2>&1 &
done
wait
out=assets/tests/autopilot_runs.txt
{
    echo "# The autopilot's recorded runs: per timed level the time of runs 0-31 (run i: seed 1000 + 7919 i,"
    echo "# skill i mod 4, played in the timed mode with the clock off; \"-\" for a lost run), as printed by"
    echo "# QF_MEDAL_RUNS=32 content_play_tests in a release build. tools/levelgen sets the medal times from"
    echo "# them; the content play test replays each level's median run."
    cat "$work"/shard*.log | grep '^runs ' | sort
} >"$out"
python3 tools/levelgen/levelgen.py assets
grep -h '^medals \|^food ' "$work"/shard*.log | sort
echo "$(grep -c '^runs ' "$out") levels measured into $out"
