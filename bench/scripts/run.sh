#!/usr/bin/env bash
# Runs every benchmark program under our scriptrun and under the lua5.1 interpreter, several
# times each, and prints the median wall time of each and their ratio (ours / lua5.1; below
# 1.0 means ours is faster). lua5.1 is only a yardstick here: install it by hand
# (apt-get install lua5.1); nothing in the build or the tests needs it.
#
# usage: bench/scripts/run.sh [BUILD_DIR] [RUNS]
#   BUILD_DIR  build tree holding bin/scriptrun (default build/release); use a release build
#   RUNS       runs per program and interpreter (default 5)
set -u
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-build/release}"
runs="${2:-5}"
ours="$build/bin/scriptrun"
ref="$(command -v lua5.1 || true)"
if [ ! -x "$ours" ]; then
  echo "no scriptrun at $ours (build the scriptrun target first)" >&2
  exit 1
fi
if [ -z "$ref" ]; then
  echo "lua5.1 is not installed (apt-get install lua5.1)" >&2
  exit 1
fi

# median of the numbers given as arguments
median() {
  printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# wall time of one run in milliseconds; the program's output goes to $2
timed() {
  local start end
  start=$(date +%s%N)
  "$1" "$3" > "$2" 2>&1
  local status=$?
  end=$(date +%s%N)
  if [ $status -ne 0 ]; then echo "FAILED"; return; fi
  echo $(( (end - start) / 1000000 ))
}

printf '%-14s %10s %10s %8s  %s\n' program "ours(ms)" "lua5.1(ms)" ratio note
worst=0
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
for prog in "$here"/*.lua; do
  name="$(basename "$prog" .lua)"
  ot=(); rt=(); note=""
  for ((i = 0; i < runs; i++)); do
    t=$(timed "$ours" "$tmp/ours.out" "$prog"); ot+=("$t")
    t=$(timed "$ref" "$tmp/ref.out" "$prog"); rt+=("$t")
  done
  if [[ " ${ot[*]} ${rt[*]} " == *FAILED* ]]; then
    printf '%-14s %10s %10s %8s  %s\n' "$name" failed - - "$(head -c 200 "$tmp/ours.out" | tr '\n' ' ')"
    worst=999
    continue
  fi
  if ! cmp -s "$tmp/ours.out" "$tmp/ref.out"; then note="output differs"; fi
  mo=$(median "${ot[@]}"); mr=$(median "${rt[@]}")
  ratio=$(awk -v a="$mo" -v b="$mr" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "inf" }')
  printf '%-14s %10s %10s %8s  %s\n' "$name" "$mo" "$mr" "$ratio" "$note"
  worst=$(awk -v w="$worst" -v r="$ratio" 'BEGIN { print (r + 0 > w + 0) ? r : w }')
done
echo "worst ratio: $worst"
