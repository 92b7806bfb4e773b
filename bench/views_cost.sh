#!/usr/bin/env bash
# What the pictures, the readable view and the HTML report add to a run:
# wall time without and with --plot --view --report, median of RUNS runs
# each, at -t 1 and -t 2, on the 200-pair set of many_pairs.sh and on the
# 50 kb alpha-globin pair. The two kinds of run alternate, so that a change
# in the machine's load falls on both alike.
#
# The processor time (user + system) is given beside the wall time: on a
# shared machine it varies less.
#
# Each run draws into a folder of its own, all removed at the end, and the
# work folder lies beside the build rather than in /tmp: on ext4 without a
# journal a new file skips every inode of its block group freed in the last
# minute or more, so pictures deleted just before a run, or the compilers'
# temporary files in /tmp of a busy machine, make the pictures slower to
# create, a cost of the machine rather than of the program.
#
# Usage: bench/views_cost.sh [BUILD-DIR] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
work=$(mktemp -d "$build/views_cost.XXXXXX")
trap 'rm -rf "$work"' EXIT

bash "$here/two_hundred_pairs.sh" > "$work/pairs.fa"

# timed FILE ARGS...: appends "wall processor" of one run of torva ARGS to FILE.
timed() {
  local file=$1
  shift
  /usr/bin/time -f '%e %U %S' -o "$work/t" "$build/torva" -q "$@" >/dev/null 2>&1
  awk '{print $1, $2 + $3}' "$work/t" >> "$file"
}

median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

for input in "$work/pairs.fa" "$here/data/dna_50k_aglobin_human_cow.fa"; do
  for threads in 1 2; do
    rm -f "$work/plain" "$work/views"
    for ((k = 0; k < runs; k++)); do
      timed "$work/plain" -t "$threads" -I "$input" -O "$work/out"
      timed "$work/views" -t "$threads" -I "$input" -O "$work/out" --plot "$work/plots$k-$threads" \
        --view "$work/out.view" --report "$work/out.html"
    done
    awk -v name="$(basename "$input") -t $threads" \
        -v a="$(cut -d' ' -f1 "$work/plain" | median)" -v b="$(cut -d' ' -f1 "$work/views" | median)" \
        -v ac="$(cut -d' ' -f2 "$work/plain" | median)" -v bc="$(cut -d' ' -f2 "$work/views" | median)" \
      'BEGIN {printf "%-35s wall: plain %6.2f s, with --plot --view --report %6.2f s (%+.1f%%); processor: %6.2f s, %6.2f s (%+.1f%%)\n",
              name, a, b, 100 * (b - a) / a, ac, bc, 100 * (bc - ac) / ac}'
  done
done
