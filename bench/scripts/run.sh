#!/usr/bin/env bash
# Runs every benchmark program under our scriptrun and under whichever of Debian's lua5.1,
# lua5.4 and luajit (interpreter only, -joff) are installed, interleaved: each round runs every
# interpreter once on the program before the next round starts, so a change of machine load
# hits all of them alike. Prints per program the median wall time of each interpreter, the
# ratio ours / lua5.4 (below 1.0 means ours is faster; ours / lua5.1 when lua5.4 is missing),
# the same ratio of processor time (user + system, which a loaded machine disturbs less than
# wall time) and the median peak resident memory of ours and of lua5.1.
# The other interpreters are yardsticks only: install them by hand (apt-get install lua5.1
# lua5.4 luajit time); nothing in the build or the tests needs them.
#
# usage: bench/scripts/run.sh [BUILD_DIR] [RUNS] [PROGRAM...]
#   BUILD_DIR  build tree holding bin/scriptrun (default build/release); use a release build
#   RUNS       interleaved runs per program and interpreter (default 7)
#   PROGRAM    names of programs to run (default: every *.lua here)
# With BASELINE=path/to/another/scriptrun set, that build runs too (column "base"), interleaved
# with the others, for before/after comparisons of a change.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-build/release}"
runs="${2:-7}"
shift 2 2>/dev/null || shift $#
ours="$build/bin/scriptrun"
if [ ! -x "$ours" ]; then
  echo "no scriptrun at $ours (build the scriptrun target first)" >&2
  exit 1
fi
timer=/usr/bin/time
if [ ! -x "$timer" ]; then
  echo "no $timer for peak memory (apt-get install time); memory columns stay empty" >&2
  timer=""
fi

# interpreters: label and command line
labels=(ours)
cmds=("$ours")
if [ -n "${BASELINE:-}" ]; then
  labels+=(base); cmds+=("$BASELINE")
fi
for ref in lua5.1 lua5.4 luajit; do
  path="$(command -v "$ref" || true)"
  [ -n "$path" ] || continue
  if [ "$ref" = luajit ]; then labels+=("luajit-joff"); cmds+=("$path -joff")
  else labels+=("$ref"); cmds+=("$path"); fi
done
base=""
for ((j = 0; j < ${#labels[@]}; j++)); do
  [ "${labels[$j]}" = lua5.4 ] && base=$j
done
if [ -z "$base" ]; then
  for ((j = 0; j < ${#labels[@]}; j++)); do [ "${labels[$j]}" = lua5.1 ] && base=$j; done
fi
# With no yardstick installed the ratios compare ours with the baseline build, or with itself.
if [ -z "$base" ]; then
  base=0
  [ -n "${BASELINE:-}" ] && base=1
fi
memref=""
for ((j = 0; j < ${#labels[@]}; j++)); do [ "${labels[$j]}" = lua5.1 ] && memref=$j; done

# median of the numbers given as arguments
median() {
  printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# one run: prints "milliseconds peak-KB cpu-milliseconds", or FAILED; the program's output
# goes to $1
timed() {
  local out="$1"; shift
  local start end status rss="-" cpu="-"
  start=$(date +%s%N)
  if [ -n "$timer" ]; then
    $timer -f "%M %U %S" -o "$tmp/rss" $1 "$2" > "$out" 2>&1
  else
    $1 "$2" > "$out" 2>&1
  fi
  status=$?
  end=$(date +%s%N)
  if [ $status -ne 0 ]; then echo "FAILED"; return; fi
  if [ -n "$timer" ]; then
    read -r rss cpu < <(tail -n 1 "$tmp/rss" | awk '{ printf "%s %d\n", $1, ($2 + $3) * 1000 + 0.5 }')
  fi
  echo "$(( (end - start) / 1000000 )) $rss $cpu"
}

header=$(printf '%-10s' program)
for l in "${labels[@]}"; do header+=$(printf ' %12s' "$l(ms)"); done
header+=$(printf ' %8s %9s' "ratio" "cpu-ratio")
header+=$(printf ' %10s' "ours(KB)")
[ -n "${BASELINE:-}" ] && header+=$(printf ' %10s' "base(KB)")
[ -n "$memref" ] && header+=$(printf ' %10s %8s' "lua5.1(KB)" "+KB")
echo "$header  note"
echo "ratio = ours / ${labels[$base]}; memory = median peak resident set"

if [ $# -gt 0 ]; then progs=(); for p in "$@"; do progs+=("$here/$p.lua"); done
else progs=("$here"/*.lua); fi
worst=0
cworst=0
for prog in "${progs[@]}"; do
  name="$(basename "$prog" .lua)"
  declare -A times=() mems=() cpus=()
  failed=""; note=""
  for ((i = 0; i < runs; i++)); do
    for ((j = 0; j < ${#labels[@]}; j++)); do
      r=$(timed "$tmp/out$j" "${cmds[$j]}" "$prog")
      if [ "$r" = FAILED ]; then failed="${labels[$j]}"; continue; fi
      read -r w m c <<< "$r"
      times[$j]+="$w "; mems[$j]+="$m "; cpus[$j]+="$c "
    done
  done
  if [ -n "$failed" ]; then
    printf '%-10s failed under %s: %s\n' "$name" "$failed" "$(head -c 200 "$tmp/out0" | tr '\n' ' ')"
    worst=999
    unset times mems cpus
    continue
  fi
  for ((j = 1; j < ${#labels[@]}; j++)); do
    cmp -s "$tmp/out0" "$tmp/out$j" || note+="output differs from ${labels[$j]}; "
  done
  line=$(printf '%-10s' "$name")
  for ((j = 0; j < ${#labels[@]}; j++)); do
    m[$j]=$(median ${times[$j]})
    line+=$(printf ' %12s' "${m[$j]}")
  done
  ratio=$(awk -v a="${m[0]}" -v b="${m[$base]}" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "inf" }')
  cratio="-"
  if [ -n "$timer" ]; then
    cratio=$(awk -v a="$(median ${cpus[0]})" -v b="$(median ${cpus[$base]})" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "inf" }')
  fi
  line+=$(printf ' %8s %9s' "$ratio" "$cratio")
  mo=$(median ${mems[0]})
  line+=$(printf ' %10s' "$mo")
  [ -n "${BASELINE:-}" ] && line+=$(printf ' %10s' "$(median ${mems[1]})")
  if [ -n "$memref" ]; then
    mr=$(median ${mems[$memref]})
    line+=$(printf ' %10s %8s' "$mr" "$(awk -v a="$mo" -v b="$mr" 'BEGIN { printf "%+d", a - b }')")
  fi
  echo "$line  $note"
  worst=$(awk -v w="$worst" -v r="$ratio" 'BEGIN { print (r + 0 > w + 0) ? r : w }')
  cworst=$(awk -v w="$cworst" -v r="$cratio" 'BEGIN { print (r + 0 > w + 0) ? r : w }')
  unset times mems cpus
done
echo "worst ratio: $worst (processor time: $cworst)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
