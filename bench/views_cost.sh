#!/usr/bin/env bash
# What the pictures, the readable view and the HTML report add to a run:
# wall time (median of RUNS runs, -t 2) without and with
# --plot --view --report, on the 200-pair set of many_pairs.sh and on the
# 50 kb alpha-globin pair.
#
# Usage: bench/views_cost.sh [BUILD-DIR] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
runs=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for ((k = 0; k < 200; k += 3)); do
  cat "$here/data/dna_1k_yeast_cct4.fa" "$here/data/dna_2k_hbd_hbb.fa" "$here/data/dna_5k_hbg2_hbg1.fa"
done | awk '/^>/{n++} n <= 400' > "$work/pairs.fa"

# median_wall INPUT ARGS...: median wall time of RUNS runs of torva ARGS on INPUT.
median_wall() {
  local input=$1
  shift
  for ((k = 0; k < runs; k++)); do
    rm -rf "$work/plots"
    /usr/bin/time -f '%e' -o "$work/t" "$build/torva" -q -t 2 "$@" -I "$input" -O "$work/out" >/dev/null 2>&1
    cat "$work/t"
  done | sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'
}

for input in "$work/pairs.fa" "$here/data/dna_50k_aglobin_human_cow.fa"; do
  plain=$(median_wall "$input")
  views=$(median_wall "$input" --plot "$work/plots" --view "$work/out.view" --report "$work/out.html")
  awk -v name="$(basename "$input")" -v a="$plain" -v b="$views" \
    'BEGIN {printf "%-32s plain %7.2f s   --plot --view --report %7.2f s   %+.1f%%\n", name, a, b, 100 * (b - a) / a}'
done
