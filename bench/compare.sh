#!/usr/bin/env bash
# Side-by-side speed and memory: torva, torva-b and a general SIMD aligner
# (parasail_aligner, nw_trace_diag_32: an optimal traced affine global
# alignment) on the real pairs of bench/data and seeded synthetic pairs of
# about 100 kb, 200 kb and 1 Mb (90% identity), alternating the programs,
# median of RUNS runs each.
#
# Usage: bench/compare.sh [BUILD-DIR] [RUNS] [largest: 5k|25k|50k|100k|200k|1m]
# Prints one table: wall seconds and peak RSS (MiB) of each program, torva's
# bytes per cell of the pair (default options and -T 1000000), and the ratio
# of each program's wall time to the yardstick's.
#
# The 200 kb and 1 Mb pairs are aligned by torva alone (the 1 Mb pair once):
# the yardstick's traced alignment keeps at least a byte a cell (40 GB at
# 200 kb, 1 TB at 1 Mb), more than this kind of machine has, and torva-b
# re-aligns a pair's one long gapped anchor whole, which takes minutes at
# that size. The 1 Mb pair is not aligned with -T 1000000 (one affine fill of
# 10^12 cells).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
runs=${2:-3}
largest=${3:-100k}
data="$here/data"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

need=()
command -v parasail_aligner >/dev/null || need+=(parasail)
[ -x /usr/bin/time ] || need+=(time)
if [ ${#need[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${need[@]}" >/dev/null
  else
    echo "needs: ${need[*]} (Debian packages)" >&2
    exit 1
  fi
fi

pairs=(prot_hba_hbb_human prot_pax3_pax7_human prot_wzc_kl1_kl2 dna_1k_yeast_cct4 dna_2k_hbd_hbb dna_5k_hbg2_hbg1)
case "$largest" in
  25k) pairs+=(dna_25k_kl1_kl2) ;;
  50k) pairs+=(dna_25k_kl1_kl2 dna_50k_aglobin_human_cow) ;;
  100k) pairs+=(dna_25k_kl1_kl2 dna_50k_aglobin_human_cow synthetic_100k) ;;
  200k) pairs+=(dna_25k_kl1_kl2 dna_50k_aglobin_human_cow synthetic_100k synthetic_200k) ;;
  1m) pairs+=(dna_25k_kl1_kl2 dna_50k_aglobin_human_cow synthetic_100k synthetic_200k synthetic_1m) ;;
esac
for pair in "${pairs[@]}"; do
  case $pair in
    synthetic_100k) python3 "$here/synthetic_pair.py" 100000 0.9 7 > "$work/$pair.fa" ;;
    synthetic_200k) python3 "$here/synthetic_pair.py" 200000 0.9 7 > "$work/$pair.fa" ;;
    synthetic_1m) python3 "$here/synthetic_pair.py" 1000000 0.9 7 > "$work/$pair.fa" ;;
  esac
done

# The DNA scores in the yardstick's matrix format.
cat > "$work/hoxd70.mat" <<'EOF'
   A    C    G    T
A   91 -114  -31 -123
C -114  100 -125  -31
G  -31 -125  100 -114
T -123  -31 -114   91
EOF

# timed OUT-PREFIX COMMAND...: appends "seconds peak_kib" to OUT-PREFIX. The
# command runs with standard input closed: the yardstick takes an open
# standard input for a third input file. (Closed inside the timed shell, so
# that the timing file does not take descriptor 0.)
timed() {
  local out=$1
  shift
  /usr/bin/time -f '%e %M' -o "$work/t" sh -c 'exec "$@" <&- >/dev/null 2>&1' sh "$@" || true
  tail -n 1 "$work/t" >> "$out"
}
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
# Peak MiB and bytes per cell of the -T 1000000 run, or - when it was not run.
unanchored_mib() {
  if [ -f "$work/r.unanchored" ]; then echo $(($(cut -d' ' -f2 "$work/r.unanchored") / 1024)); else echo -; fi
}
unanchored_bytes_per_cell() {
  if [ -f "$work/r.unanchored" ]; then
    awk -v k="$(cut -d' ' -f2 "$work/r.unanchored")" -v c="$cells" 'BEGIN {printf "%.3f", k * 1024 / c}'
  else
    echo -
  fi
}

printf '%-28s %13s | %7s %7s %6s | %7s %7s | %7s %7s | %8s %8s | %9s %6s\n' \
  pair cells torva MiB B/cell torva-b MiB parasail MiB t/p tb/p "-T1e6 MiB" B/cell
for pair in "${pairs[@]}"; do
  file="$data/$pair.fa"
  [[ $pair == synthetic_* ]] && file="$work/$pair.fa"
  alone=0
  [[ $pair == synthetic_200k || $pair == synthetic_1m ]] && alone=1
  awk '/^>/{n++} n==1' "$file" > "$work/q.fa"
  awk '/^>/{n++} n==2' "$file" > "$work/d.fa"
  len1=$(grep -v '>' "$work/q.fa" | tr -d '\n\r' | wc -c)
  len2=$(grep -v '>' "$work/d.fa" | tr -d '\n\r' | wc -c)
  cells=$(( (len1 + 1) * (len2 + 1) ))
  opts=()
  yard=(-m "$work/hoxd70.mat" -o 500 -e 25)
  if [[ $pair == prot_* ]]; then
    opts=(-P)
    yard=(-m blosum62 -o 15 -e 2)
  fi
  rm -f "$work"/r.*
  if ((alone)); then
    repeat=$runs
    [[ $pair == synthetic_1m ]] && repeat=1
    for ((k = 0; k < repeat; k++)); do
      timed "$work/r.torva" "$build/torva" -q "${opts[@]}" -I "$file" -O "$work/a"
    done
  else
    for ((k = 0; k < runs; k++)); do
      timed "$work/r.torva" "$build/torva" -q "${opts[@]}" -I "$file" -O "$work/a"
      timed "$work/r.torvab" "$build/torva-b" -q "${opts[@]}" -I "$file" -O "$work/b"
      timed "$work/r.yard" parasail_aligner -a nw_trace_diag_32 -x -t 1 "${yard[@]}" \
        -f "$work/d.fa" -q "$work/q.fa" -g "$work/p.out" -O SSW
    done
  fi
  if [[ $pair != synthetic_1m ]]; then
    timed "$work/r.unanchored" "$build/torva" -q "${opts[@]}" -T 1000000 -I "$file" -O "$work/u"
  fi
  t=$(cut -d' ' -f1 "$work/r.torva" | median); tm=$(cut -d' ' -f2 "$work/r.torva" | median)
  if ((alone)); then
    printf '%-28s %13d | %7.2f %7d %6.3f | %15s | %15s | %8s %8s | %9s %6s\n' \
      "$pair" "$cells" "$t" $((tm / 1024)) "$(awk -v k="$tm" -v c="$cells" 'BEGIN {print k * 1024 / c}')" \
      "not run" "too large" - - "$(unanchored_mib)" "$(unanchored_bytes_per_cell)"
    continue
  fi
  b=$(cut -d' ' -f1 "$work/r.torvab" | median); bm=$(cut -d' ' -f2 "$work/r.torvab" | median)
  y=$(cut -d' ' -f1 "$work/r.yard" | median); ym=$(cut -d' ' -f2 "$work/r.yard" | median)
  um=$(unanchored_mib); ub=$(unanchored_bytes_per_cell)
  printf '%-28s %13d | %7.2f %7d %6.3f | %7.2f %7d | %7.2f %7d | %8.2f %8.2f | %9s %6s\n' \
    "$pair" "$cells" "$t" $((tm / 1024)) "$(awk -v k="$tm" -v c="$cells" 'BEGIN {print k * 1024 / c}')" \
    "$b" $((bm / 1024)) "$y" $((ym / 1024)) \
    "$(awk -v a="$t" -v b="$y" 'BEGIN {print (b > 0 ? a / b : 0)}')" \
    "$(awk -v a="$b" -v b="$y" 'BEGIN {print (b > 0 ? a / b : 0)}')" "$um" "$ub"
done
