#!/usr/bin/env bash
# Throughput on many pairs: 200 pairs in one file (the real 1 kb, 2 kb and
# 5 kb DNA pairs repeated), wall time with -t 1 and -t 2, median of RUNS runs,
# and what --paf and --plot add to a -t 2 run.
#
# Usage: bench/many_pairs.sh [BUILD-DIR] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
runs=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

bash "$here/two_hundred_pairs.sh" > "$work/pairs.fa"

# median-wall LABEL ARGS...: median wall time of RUNS runs of torva ARGS.
median_wall() {
  local label=$1
  shift
  for ((k = 0; k < runs; k++)); do
    /usr/bin/time -f '%e' -o "$work/t" "$build/torva" -q "$@" -I "$work/pairs.fa" -O "$work/out" >/dev/null 2>&1
    cat "$work/t"
  done | sort -n | awk -v label="$label" '{v[NR]=$1} END {printf "%-24s %8.2f s\n", label, v[int((NR+1)/2)]}'
}

echo "200 pairs ($(grep -c '>' "$work/pairs.fa") records)"
median_wall "-t 1" -t 1 | tee "$work/one"
median_wall "-t 2" -t 2 | tee "$work/two"
median_wall "-t 2 --paf --plot" -t 2 --paf "$work/out.paf" --plot "$work/plots" | tee "$work/extra"
one=$(awk '{print $(NF - 1)}' "$work/one")
two=$(awk '{print $(NF - 1)}' "$work/two")
extra=$(awk '{print $(NF - 1)}' "$work/extra")
awk -v a="$one" -v b="$two" -v c="$extra" \
  'BEGIN {printf "-t 2 / -t 1: %.2f   PAF and SVG add: %+.1f%%\n", b / a, 100 * (c - b) / b}'
