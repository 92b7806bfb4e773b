#!/usr/bin/env bash
# Aligns the real pairs of bench/data with both programs and reports wall time
# and peak memory; with anchoring switched off (-T 1000000) the global score of
# each pair must equal the optimum listed in bench/data/README.md.
# Usage: bench/real_pairs.sh [build-dir] [largest pair: 5k|25k|50k]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
largest=${2:-25k}
data="$here/data"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

declare -A optimum=(
  [dna_1k_yeast_cct4]=134296 [dna_2k_hbd_hbb]=47465 [dna_5k_hbg2_hbg1]=356041
  [dna_25k_kl1_kl2]=1012966 [dna_50k_aglobin_human_cow]=-10365
  [prot_hba_hbb_human]=267 [prot_pax3_pax7_human]=1780 [prot_wzc_kl1_kl2]=1872)

pairs=(prot_hba_hbb_human prot_pax3_pax7_human prot_wzc_kl1_kl2 dna_1k_yeast_cct4 dna_2k_hbd_hbb dna_5k_hbg2_hbg1)
case "$largest" in
  25k) pairs+=(dna_25k_kl1_kl2) ;;
  50k) pairs+=(dna_25k_kl1_kl2 dna_50k_aglobin_human_cow) ;;
esac

command -v /usr/bin/time >/dev/null || { echo "needs /usr/bin/time (Debian package: time)" >&2; exit 1; }
status=0
printf '%-28s %-8s %10s %10s %12s %12s\n' pair program seconds peak_MiB anchored unanchored
for pair in "${pairs[@]}"; do
  protein=""
  [[ $pair == prot_* ]] && protein="-P"
  for program in torva torva-b; do
    /usr/bin/time -f '%e %M' -o "$out/time" "$build/$program" $protein -I "$data/$pair.fa" -O "$out/a" >/dev/null
    read -r seconds kib < "$out/time"
    anchored=$(cut -f4 "$out/a.score")
    "$build/$program" $protein -T 1000000 -I "$data/$pair.fa" -O "$out/u" >/dev/null
    unanchored=$(cut -f4 "$out/u.score")
    mark=""
    if [[ $unanchored != "${optimum[$pair]}" ]]; then mark=" (expected ${optimum[$pair]})"; status=1; fi
    printf '%-28s %-8s %10s %10d %12s %12s%s\n' "$pair" "$program" "$seconds" $((kib / 1024)) \
      "$anchored" "$unanchored" "$mark"
  done
done
exit $status
