#!/usr/bin/env bash
# Where the time of one large pair goes: the first fill of the local matrix,
# the fills of the anchor search, the block refills of its tracebacks, the
# affine alignments (conflict groups, gapped anchors, the joins between
# anchors) and the writers, per thread, from the call chains of a sampling
# profile (perf, unwound through the binary's own frame tables: a Release
# build needs no debug information).
#
# Usage: bench/phase_profile.sh [BUILD-DIR] [pairs: 50k|200k|1m|all] [THREADS]
# Prints, per pair, torva's wall and user CPU seconds under the profiler and
# bench/phase_profile.py's table. Sampling costs a few percent; the 1 Mb pair
# is sampled at a lower rate to keep the recorded stacks small (~150 MB).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
which=${2:-all}
threads=${3:-2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
command -v perf >/dev/null || { echo "needs perf (Debian package: linux-perf)" >&2; exit 1; }

pairs=()
case "$which" in
  50k) pairs=(dna_50k_aglobin_human_cow) ;;
  200k) pairs=(synthetic_200k) ;;
  1m) pairs=(synthetic_1m) ;;
  all) pairs=(dna_50k_aglobin_human_cow synthetic_200k synthetic_1m) ;;
  *) echo "unknown pair set: $which" >&2; exit 1 ;;
esac

for pair in "${pairs[@]}"; do
  file="$here/data/$pair.fa"
  rate=499
  case $pair in
    synthetic_200k) python3 "$here/synthetic_pair.py" 200000 0.9 7 > "$work/$pair.fa"; file="$work/$pair.fa"; rate=99 ;;
    synthetic_1m) python3 "$here/synthetic_pair.py" 1000000 0.9 7 > "$work/$pair.fa"; file="$work/$pair.fa"; rate=19 ;;
  esac
  perf record -q -F "$rate" --call-graph dwarf,8192 -o "$work/perf.data" -- \
    /usr/bin/time -f '%e %U %M' -o "$work/time" \
    "$build/torva" -q -t "$threads" -I "$file" -O "$work/a" >/dev/null 2>&1
  read -r wall user kib < "$work/time"
  echo "== $pair, torva -t $threads: $wall s wall, $user s user CPU, peak $((kib / 1024)) MiB"
  perf script -F tid,ip,sym -i "$work/perf.data" 2>/dev/null | python3 "$here/phase_profile.py"
  rm -f "$work/perf.data"
done
