#!/usr/bin/env bash
# Writes to standard output the 200-pair set of the throughput benchmarks: the
# real 1 kb, 2 kb and 5 kb DNA pairs of bench/data repeated, 400 records.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
for ((k = 0; k < 200; k += 3)); do
  cat "$here/data/dna_1k_yeast_cct4.fa" "$here/data/dna_2k_hbd_hbb.fa" "$here/data/dna_5k_hbg2_hbg1.fa"
done | awk '/^>/{n++} n <= 400'
