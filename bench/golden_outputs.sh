#!/usr/bin/env bash
# Records every output of both programs (the three files, stdout, stderr and
# the exit status) on the real pairs, the examples and the end-to-end inputs,
# under default options, -T 1000000 and -L. Run it once with a build of the
# code before a change and once after, then compare the two folders:
#
#   bench/golden_outputs.sh OLD-BUILD /tmp/before
#   bench/golden_outputs.sh build     /tmp/after
#   diff -r /tmp/before /tmp/after && echo identical
#
# Usage: bench/golden_outputs.sh BUILD-DIR OUT-DIR [largest: 5k|25k|50k|100k|200k]
# 100k adds a seeded synthetic pair of about 100 kb (about 90% identity); 200k
# adds one of about 200 kb as well, aligned by torva and with -L by both.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=$(cd "$1" && pwd)
out=$2
largest=${3:-50k}
mkdir -p "$out"
out=$(cd "$out" && pwd)
data="$here/data"
e2e="$root/tests/e2e"

inputs=(prot_hba_hbb_human prot_pax3_pax7_human prot_wzc_kl1_kl2 dna_1k_yeast_cct4 dna_2k_hbd_hbb dna_5k_hbg2_hbg1)
case "$largest" in
  25k) inputs+=(dna_25k_kl1_kl2) ;;
  50k) inputs+=(dna_25k_kl1_kl2 dna_50k_aglobin_human_cow) ;;
  100k) inputs+=(dna_25k_kl1_kl2 dna_50k_aglobin_human_cow synthetic_100k) ;;
  200k) inputs+=(dna_25k_kl1_kl2 dna_50k_aglobin_human_cow synthetic_100k synthetic_200k) ;;
esac

for size in 100 200; do
  if [[ " ${inputs[*]} " == *" synthetic_${size}k "* && ! -f "$out/synthetic_${size}k.fa" ]]; then
    python3 "$here/synthetic_pair.py" "${size}000" 0.9 7 > "$out/synthetic_${size}k.fa"
  fi
done

# run NAME PROGRAM OPTIONS...: one run, its files kept under OUT-DIR/NAME.
run() {
  local name=$1 program=$2
  shift 2
  local dir="$out/$name"
  mkdir -p "$dir"
  local status=0
  (cd "$dir" && "$build/$program" "$@" -O "$dir/aln" >"$dir/stdout" 2>"$dir/stderr") || status=$?
  echo "$status" >"$dir/status"
  # Paths of this run's folder differ between recordings.
  sed -i "s#$out#OUT#g; s#$build#BUILD#g" "$dir/stdout" "$dir/stderr"
}

for program in torva torva-b; do
  for input in "${inputs[@]}"; do
    file="$data/$input.fa"
    [[ $input == synthetic_* ]] && file="$out/$input.fa"
    protein=()
    [[ $input == prot_* ]] && protein=(-P)
    [[ $input == synthetic_200k && $program == torva-b ]] ||
      run "$program/$input/default" "$program" "${protein[@]}" -I "$file"
    run "$program/$input/local" "$program" "${protein[@]}" -L -I "$file"
    # One affine fill of the whole synthetic pair is the same for both programs.
    [[ $input == synthetic_* && $program == torva-b ]] ||
      run "$program/$input/unanchored" "$program" "${protein[@]}" -T 1000000 -I "$file"
  done
  run "$program/demo/default" "$program" -I "$root/examples/demo.fa"
  run "$program/demo/local" "$program" -L -I "$root/examples/demo.fa"
  run "$program/demo/unanchored" "$program" -T 1000000 -I "$root/examples/demo.fa"
  run "$program/protein_demo/default" "$program" -P -I "$root/examples/protein.fa"
  run "$program/protein_demo/local" "$program" -P -L -I "$root/examples/protein.fa"
  dna=(-S "$e2e/simple.matrix" -G 5 -A 1 -T 6 -C 5 -I "$e2e/dna_cases.fa")
  run "$program/e2e_dna/default" "$program" "${dna[@]}"
  run "$program/e2e_dna/local" "$program" -L "${dna[@]}"
  run "$program/e2e_protein/default" "$program" -P -C 5 -I "$e2e/protein_cases.fa"
  run "$program/e2e_protein/local" "$program" -P -C 5 -L -I "$e2e/protein_cases.fa"
  run "$program/e2e_gapped/default" "$program" -S "$e2e/simple.matrix" -G 2 -A 1 -T 6 -C 20 -I "$e2e/gapped_anchor.fa"
done
rm -f "$out"/synthetic_*.fa
echo "recorded in $out"
