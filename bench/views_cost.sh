#!/usr/bin/env bash
# What the pictures, the readable view and the HTML report add to a run:
# wall time (median of RUNS runs, -t 2) without and with
# --plot --view --report, on the 200-pair set of many_pairs.sh and on the
# 50 kb alpha-globin pair.
#
# The processor time (user + system) is given beside the wall time: on a
# shared machine it varies less.
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

# median_times INPUT ARGS...: median wall and processor times of RUNS runs
# of torva ARGS on INPUT.
median_times() {
  local input=$1
  shift
  for ((k = 0; k < runs; k++)); do
    rm -rf "$work/plots"
    /usr/bin/time -f '%e %U %S' -o "$work/t" "$build/torva" -q -t 2 "$@" -I "$input" -O "$work/out" >/dev/null 2>&1
    cat "$work/t"
  done | awk '{print $1, $2 + $3}' > "$work/times"
  echo "$(cut -d' ' -f1 "$work/times" | sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}')" \
       "$(cut -d' ' -f2 "$work/times" | sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}')"
}

for input in "$work/pairs.fa" "$here/data/dna_50k_aglobin_human_cow.fa"; do
  read -r plain plainCpu < <(median_times "$input")
  read -r views viewsCpu < <(median_times "$input" --plot "$work/plots" --view "$work/out.view" --report "$work/out.html")
  awk -v name="$(basename "$input")" -v a="$plain" -v b="$views" -v ac="$plainCpu" -v bc="$viewsCpu" \
    'BEGIN {printf "%-30s wall: plain %6.2f s, with --plot --view --report %6.2f s (%+.1f%%); processor: %6.2f s, %6.2f s (%+.1f%%)\n",
            name, a, b, 100 * (b - a) / a, ac, bc, 100 * (bc - ac) / ac}'
done
