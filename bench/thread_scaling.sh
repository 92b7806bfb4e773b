#!/usr/bin/env bash
# Wall time of one large pair at -t 1 and -t 2 (and more, if given), the
# thread counts taking turns, median of RUNS runs each: the 50 kb real pair
# and the seeded 100 kb and 200 kb synthetic pairs.
#   bench/thread_scaling.sh [BUILD-DIR] [RUNS] [THREADS...]
# Prints one table: the median seconds per thread count and the ratio of each
# to the -t 1 time. Run it on a quiet machine: other work on the cores moves
# wall times far more than the differences it is meant to show.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
shift $(( $# > 2 ? 2 : $# ))
threads=("$@")
[ ${#threads[@]} -gt 0 ] || threads=(1 2)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp "$here/data/dna_50k_aglobin_human_cow.fa" "$work/50k.fa"
python3 "$here/synthetic_pair.py" 100000 0.9 7 > "$work/100k.fa"
python3 "$here/synthetic_pair.py" 200000 0.9 7 > "$work/200k.fa"

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '| pair |'; for t in "${threads[@]}"; do printf ' -t %s |' "$t"; done
for t in "${threads[@]:1}"; do printf ' -t %s / -t %s |' "$t" "${threads[0]}"; done; echo
printf '|---|'; for _ in "${threads[@]}" "${threads[@]:1}"; do printf -- '---|'; done; echo
ratio=()
for pair in 50k 100k 200k; do
    for ((r = 0; r < runs; ++r)); do
        for t in "${threads[@]}"; do
            start=$(date +%s.%N)
            "$build/torva" -q -t "$t" -I "$work/$pair.fa" -O "$work/out.aln"
            end=$(date +%s.%N)
            awk -v a="$start" -v b="$end" 'BEGIN { print b - a }' >> "$work/$pair.t$t"
        done
    done
    printf '| %s |' "$pair"
    first=
    for t in "${threads[@]}"; do
        m=$(median < "$work/$pair.t$t")
        first=${first:-$m}
        printf ' %.2f s |' "$m"
        [ "$t" = "${threads[0]}" ] || ratio+=("$(awk -v a="$m" -v b="$first" 'BEGIN { printf "%.2f", a / b }')")
    done
    for x in "${ratio[@]:-}"; do [ -n "$x" ] && printf ' %s |' "$x"; done
    ratio=()
    echo
done
