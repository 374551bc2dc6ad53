#!/usr/bin/env bash
# Compares two builds of bench_engines case by case on a machine whose speed
# drifts: for each case, ROUNDS pairs of short runs, the two programs in
# alternating order within each pair, then the median of the pairs' ratios
# (after / before) with its quartiles and each program's fastest run. A
# ratio below 1 is a gain; one whose quartiles straddle 1 is noise.
#
#   scripts/bench-compare.sh BEFORE AFTER [ROUNDS] [CASE...]
#
# BEFORE and AFTER are bench_engines binaries (copy the build's before a
# change); CASE is a benchmark name (default: the rain and wind in mono,
# stereo and 5.1 with the default preset).
set -euo pipefail

if [ $# -lt 2 ]; then
  sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
fi
before=$1
after=$2
rounds=${3:-10}
shift $(($# < 3 ? $# : 3))
cases=("$@")
if [ ${#cases[@]} -eq 0 ]; then
  for engine in Pluvessa Vantora; do
    for channels in 1 2 6; do cases+=("$engine/Render10s/channels:$channels/heavy:0"); done
  done
fi

# ns per frame of one short run of one case.
run() {
  "$1" --benchmark_filter="^$2\$" --benchmark_repetitions=1 --benchmark_min_time=0.15 2>/dev/null |
    sed -n 's/.*ns_per_frame=\([0-9.e+-]*\).*/\1/p' | head -n 1
}

printf '%-42s %9s %9s %8s %17s\n' case before after ratio quartiles
for c in "${cases[@]}"; do
  pairs=""
  for r in $(seq "$rounds"); do
    if [ $((r % 2)) -eq 0 ]; then
      b=$(run "$before" "$c")
      a=$(run "$after" "$c")
    else
      a=$(run "$after" "$c")
      b=$(run "$before" "$c")
    fi
    if [ -z "$a" ] || [ -z "$b" ]; then
      echo "$c: no such benchmark case" >&2
      exit 1
    fi
    pairs+="$b $a"$'\n'
  done
  printf '%s' "$pairs" | awk -v name="$c" '
    NF == 2 { b[NR] = $1; a[NR] = $2; r[NR] = $2 / $1; n = NR }
    END {
      minb = b[1]; mina = a[1]
      for (i = 1; i <= n; ++i) { if (b[i] < minb) minb = b[i]; if (a[i] < mina) mina = a[i] }
      # Insertion sort of the ratios (a few dozen at most).
      for (i = 2; i <= n; ++i) { x = r[i]; j = i - 1; while (j >= 1 && r[j] > x) { r[j + 1] = r[j]; --j } r[j + 1] = x }
      printf "%-42s %9.3f %9.3f %8.4f %8.4f-%.4f\n", name, minb, mina, at(0.5), at(0.25), at(0.75)
    }
    # The q-quantile of the sorted ratios, interpolated.
    function at(q,   p, i, f) {
      p = 1 + q * (n - 1); i = int(p); f = p - i
      return i >= n ? r[n] : r[i] + f * (r[i + 1] - r[i])
    }'
done
