#!/usr/bin/env bash
# Measures the real game under Xvfb with software OpenGL: how long after the process start its
# window appears, and the processor time and resident memory (with where it lies) while it rests
# on the main menu, on the level map and then on the pause dialog of the first level (reached by
# clicking through the name dialog, the level map and the opening comic with xdotool, as a fresh
# player would).
# First, when it is built (benchmarks on), bench_stackfloor runs alone: the window, OpenGL
# context and OpenAL device, drawing one textured quad, which is the least any game on this stack
# keeps; each of the game's figures then also gives the game's own share above that floor, in
# resident and in proportional memory (RSS and PSS of /proc/PID/smaps_rollup: PSS counts a page
# shared with other processes, such as the GL stack's code, in part).
#
#   tools/measure-game.sh [build dir] [seconds per sample] [display number]
#
# Processor time is read from /proc/PID/stat (user + system of every thread, llvmpipe's
# rasteriser threads and the sound thread included) over the sample and given as a share of one
# core. Run it a few times on a busy machine and take the median.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
seconds=${2:-20}
display=${3:-20}
game="$PWD/$build/bin/wombixomnivora"
[ -x "$game" ] || { echo "no game at $game (build the wombixomnivora and assets targets)"; exit 1; }
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "needs Xvfb and xdotool"; exit 1; }

work=$(mktemp -d)
xvfb=
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
    # Waited for: a server still shutting down holds the display, and the next run's server on
    # the same number would refuse to start.
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
# A server that is still going away (another run's) holds the display's lock for a moment.
for _ in $(seq 100); do
    [ -e "/tmp/.X$display-lock" ] || break
    sleep 0.1
done
# Xvfb writes the display number to -displayfd once it accepts connections, which a fixed
# sleep only guesses at; if it gives up instead (the display is taken), say why and stop. With
# -noreset: the window search below connects and leaves every 10 ms while the game starts, and a
# server that resets whenever its last client leaves can refuse the game's own connection.
Xvfb ":$display" -noreset -screen 0 1024x768x24 -displayfd 3 3>"$work/xvfb.ready" >"$work/xvfb.log" 2>&1 &
xvfb=$!
until [ -s "$work/xvfb.ready" ]; do
    if ! kill -0 "$xvfb" 2>/dev/null; then
        xvfb=
        echo "Xvfb :$display did not start:"
        grep -v '^$' "$work/xvfb.log" | head -5
        exit 1
    fi
    sleep 0.01
done
export DISPLAY=":$display" LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null HOME="$work" WOMBIX_RANDOM_SEED=1
ticks=$(getconf CLK_TCK)

# Processor ticks (user + system) of every thread, as "tid name ticks" lines.
threads() {
    for t in /proc/"$pid"/task/*; do
        echo "$(basename "$t") $(tr ' ' '_' <"$t/comm") $(awk '{print $14 + $15}' "$t/stat")"
    done | sort
}
rss_mb() { awk '/VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$pid/status"; }
# Resident and proportional memory in kB, "rss pss".
rss_pss() { awk '/^Rss:/ {r = $2} /^Pss:/ {p = $2} END {print r, p}' "/proc/$pid/smaps_rollup"; }
floor_rss=
floor_pss=
# The memory figures of a sample: resident, where it lies and, with the floor measured, the
# game's share above it.
memory() {
    local line
    line="resident $(rss_mb) MB ($(breakdown))"
    if [ -n "$floor_rss" ]; then
        read -r r p < <(rss_pss)
        line="$line; above the floor: resident +$(awk -v a="$r" -v b="$floor_rss" 'BEGIN {printf "%.1f", (a - b) / 1024}') MB, proportional +$(awk -v a="$p" -v b="$floor_pss" 'BEGIN {printf "%.1f", (a - b) / 1024}') MB"
    fi
    echo "$line"
}
# Where the resident memory is, in MB, from /proc/PID/smaps: the software OpenGL stack's files
# (Mesa, LLVM, GLX), the other libraries, the program file, the heap, anonymous mappings
# (large blocks, thread stacks, the stack) and shared memory (the window's X image).
breakdown() {
    awk '/^[0-9a-f]+-[0-9a-f]+ / { name = $6; next }
        /^Rss:/ {
            if (name ~ /LLVM|dri|gallium|glapi|GLX|libGL|libOpenGL/) c = "GL stack"
            else if (name == "[heap]") c = "heap"
            else if (name == "" || name ~ /^\[(stack|anon)/) c = "anonymous"
            else if (name ~ /SYSV|^\/dev\/shm|memfd/) c = "shared"
            else if (name ~ /\/wombixomnivora$/) c = "program"
            else if (name ~ /\.so/) c = "other libraries"
            else c = "other files"
            kb[c] += $2 }
        END { n = split("GL stack,other libraries,program,heap,anonymous,shared,other files", order, ",")
              for (i = 1; i <= n; ++i) printf "%s%s %.1f", (i > 1 ? ", " : ""), order[i], kb[order[i]] / 1024 }' \
        "/proc/$pid/smaps"
}
# Share of one core over the sample, in all and by thread (the first thread is the main one;
# llvmpipe's rasteriser threads are summed).
sample() {
    local before after w0 w1
    before=$(threads); w0=$(date +%s.%N)
    sleep "$seconds"
    after=$(threads); w1=$(date +%s.%N)
    join <(echo "$before") <(echo "$after") | awk -v s="$w0" -v e="$w1" -v hz="$ticks" -v main="$pid" '
        { d = ($5 - $3) / hz / (e - s) * 100; all += d
          if ($1 == main) m += d; else if ($2 ~ /^llvmpipe/) lp += d; else o += d }
        END { printf "%.1f%% of one core (main thread %.1f%%, llvmpipe %.1f%%, other threads %.1f%%)", all, m, lp, o }'
}
# A game that ended (crashed, or stopped by someone else) has nothing left to measure.
alive() {
    kill -0 "$pid" 2>/dev/null && return
    echo "the game ended before the $1 sample:"; cat "$work/game.log"; exit 1
}
# Clicks at a position inside the game's 800 x 600 window.
click() {
    xdotool mousemove --window "$win" "$1" "$2"
    sleep 0.3
    xdotool click 1
    sleep "${3:-3}"
}

floor="$PWD/$build/bin/bench_stackfloor"
if [ -x "$floor" ]; then
    "$floor" 30 >"$work/floor.log" 2>&1 &
    pid=$!
    sleep 8
    if kill -0 "$pid" 2>/dev/null; then
        read -r floor_rss floor_pss < <(rss_pss)
        echo "stack floor: resident $(rss_mb) MB ($(breakdown)), proportional $(awk -v p="$floor_pss" 'BEGIN {printf "%.1f", p / 1024}') MB"
    else
        echo "stack floor: did not run:"; cat "$work/floor.log"
    fi
    kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
    pid=
fi

start=$(date +%s.%N)
(cd "$PWD/$build/assets" && exec "$game" >"$work/game.log" 2>&1) &
pid=$!
# The window is mapped (polled every 10 ms). A game that ends or shows nothing stops the run
# here: every later click would go nowhere.
deadline=$(( $(date +%s) + 30 ))
win=
while [ -z "$win" ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "the game ended before showing its window:"; cat "$work/game.log"; exit 1
    fi
    if [ "$(date +%s)" -ge "$deadline" ]; then
        echo "no game window after 30 s:"; cat "$work/game.log"; exit 1
    fi
    win=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1) || true
    [ -n "$win" ] || sleep 0.01
done
window_at=$(date +%s.%N)
echo "window after $(awk -v a="$start" -v b="$window_at" 'BEGIN {printf "%.2f", b - a}') s"

# Logo screens (4.5 s), then the main menu fades in; let it settle.
sleep 8
alive "main menu"
echo "main menu: $(sample), $(memory)"

# Play Game, a player name, Play on the level map, the comic's two pages, the level's welcome
# note; a few seconds of play, then Escape pauses it. The pointer rests off the dialog's buttons.
click 169 378 2
xdotool type --delay 50 "measure"
xdotool key Return
sleep 3
# The level map, its marker flashing on the level to play.
alive "level map"
echo "level map: $(sample), $(memory)"
click 684 518 4
click 737 568 4
click 737 568 4
click 523 353 0.5
xdotool mousemove --window "$win" 388 216
sleep 3
alive "playing"
echo "playing: $(memory)"
xdotool key Escape
xdotool mousemove --window "$win" 588 516
sleep 2
alive "paused level"
echo "paused level: $(sample), $(memory)"
kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
pid=
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"

