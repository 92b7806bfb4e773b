#!/bin/sh
# The chunked workflow must give the files of one run over the whole input,
# byte for byte: torva over the demo pairs in 2 chunks, and torva-b with -L
# over the demo pairs plus a record without a partner in 3 chunks.
#   tests/workflow_test.sh SOURCE_DIR BUILD_DIR
# Exits 77 (skipped) when snakemake is not installed; with
# TORVA_INSTALL_OPTIONAL=1 it is installed first (scripts/install-deps.sh workflow).
set -eu

src=$1
build=$2

if ! command -v snakemake >/dev/null 2>&1 && [ "${TORVA_INSTALL_OPTIONAL:-0}" = 1 ]; then
    sh "$src/scripts/install-deps.sh" workflow
fi
if ! command -v snakemake >/dev/null 2>&1; then
    echo "SKIPPED: snakemake is not installed (scripts/install-deps.sh workflow installs it)"
    exit 77
fi

tmp=$(mktemp -d "${TMPDIR:-/tmp}/torva-workflow-XXXXXX")
trap 'rm -rf "$tmp"' EXIT

# name, program, chunks, local_only, input, files compared[, options]
# The merged log must hold the whole run's warnings, in the same order.
check() {
    name=$1 program=$2 chunks=$3 local_only=$4 input=$5 suffixes=$6 options=${7:-}
    mkdir -p "$tmp/$name"
    if [ "$local_only" = true ]; then flag=-L; else flag=; fi
    # shellcheck disable=SC2086
    "$build/$program" -q $flag $(echo "$options" | sed "s#DIR#$tmp/$name/whole-plots#") \
        -I "$input" -O "$tmp/$name/whole.aln" >/dev/null 2>"$tmp/$name/whole.err" || [ $? -eq 2 ]
    if ! snakemake --quiet --cores 2 -s "$src/workflow/Snakefile" --directory "$tmp/$name" \
        --config input="$input" output="$tmp/$name/merged.aln" chunk_dir="$tmp/$name/chunks" \
        program="$build/$program" chunks="$chunks" local_only="$local_only" \
        options="$(echo "$options" | sed "s#DIR#$tmp/$name/merged-plots#")" >"$tmp/$name/log" 2>&1; then
        cat "$tmp/$name/log"
        echo "FAIL $name: the workflow failed"
        exit 1
    fi
    for s in $suffixes; do
        [ "$s" = - ] && s=
        cmp "$tmp/$name/whole.aln$s" "$tmp/$name/merged.aln$s" || { echo "FAIL $name: merged.aln$s differs"; exit 1; }
    done
    cmp "$tmp/$name/whole.err" "$tmp/$name/merged.aln.log" || { echo "FAIL $name: the warnings differ"; exit 1; }
    if [ -n "$(cat "$tmp/$name/whole.err")" ] && ! grep -qF "$(head -n 1 "$tmp/$name/whole.err")" "$tmp/$name/log"; then
        echo "FAIL $name: the warnings are not shown"
        exit 1
    fi
    if [ "$local_only" = true ] && [ -e "$tmp/$name/merged.aln" ]; then
        echo "FAIL $name: an alignment file was made with -L"
        exit 1
    fi
    if [ -d "$tmp/$name/whole-plots" ]; then
        [ "$(ls "$tmp/$name/whole-plots")" = "$(ls "$tmp/$name/merged-plots")" ] ||
            { echo "FAIL $name: the pictures differ"; ls "$tmp/$name/merged-plots"; exit 1; }
    fi
    echo "ok $name"
}

# refused NAME INPUT TEXT [OPTIONS]: the workflow fails and says why.
refused() {
    name=$1 input=$2 text=$3 options=${4:-}
    mkdir -p "$tmp/$name"
    if snakemake --quiet --cores 2 -s "$src/workflow/Snakefile" --directory "$tmp/$name" \
        --config input="$input" output="$tmp/$name/merged.aln" chunk_dir="$tmp/$name/chunks" \
        program="$build/torva" chunks=2 options="$options" >"$tmp/$name/log" 2>&1; then
        echo "FAIL $name: the workflow accepted it"
        exit 1
    fi
    grep -qF "$text" "$tmp/$name/log" || { cat "$tmp/$name/log"; echo "FAIL $name: no '$text'"; exit 1; }
    echo "ok $name"
}

check global torva 2 false "$src/examples/demo.fa" "- .loc .score"
{ cat "$src/examples/demo.fa"; printf '>lonely|no partner\nACGTACGT\n'; } > "$tmp/odd.fa"
check local-odd torva-b 3 true "$tmp/odd.fa" ".loc .score"
gzip -c "$src/examples/demo.fa" > "$tmp/demo.fa.gz"
check gzip torva 2 false "$tmp/demo.fa.gz" "- .loc .score"
# Ten pairs in three chunks, with pictures and warnings (IUPAC letters, an
# empty sequence, a record without a partner).
for k in 1 2 3 4 5 6 7 8 9 10; do
    printf '>a%s\nACGTRACGTTGCA%s\n>b%s\nACGTACGTTGCY\n' "$k" "$(printf 'A%.0s' $(seq $k))" "$k"
done > "$tmp/ten.fa"
printf '>e1\nACGT\n>e2\n\n>odd\nACGT\n' >> "$tmp/ten.fa"
check plots torva 3 false "$tmp/ten.fa" "- .loc .score" "-C 5 --plot DIR"
check empty torva 2 false /dev/null "- .loc .score"
# A pair skipped in a chunk (status 2) leaves that chunk's other pairs in the
# joined files, and the end of the run says how many were skipped.
python3 -c "
import random
random.seed(7)
r = lambda n: ''.join(random.choice('ACGT') for _ in range(n))
for k in range(4):
    print(f'>s{k}a\n{r(40)}\n>s{k}b\n{r(40)}')
print(f'>longa\n{r(3000)}\n>longb\n{r(3000)}')
" > "$tmp/skip.fa"
check skipped torva 2 false "$tmp/skip.fa" "- .loc .score" "-G 1000000 -A 1000000"
grep -q ': skipped pair longa (3000) and longb (3000)' "$tmp/skipped/merged.aln.log" || { echo "FAIL skipped: no message"; exit 1; }
grep -q '^1 pair skipped (named above and in ' "$tmp/skipped/log" || { echo "FAIL skipped: no count"; exit 1; }
[ "$(wc -l < "$tmp/skipped/merged.aln.score")" = 4 ] || { echo "FAIL skipped: the other pairs are missing"; exit 1; }
printf '@r1\nACGT\n+\nIIII\n' > "$tmp/reads.fq"
refused fastq "$tmp/reads.fq" "looks like FASTQ"
{ cat "$src/examples/demo.fa"; printf '\000\001binary'; } > "$tmp/binary.fa"
refused binary "$tmp/binary.fa" "holds binary data (a NUL byte) in record 6"
# Options of files every chunk would write alike are refused, with the
# setting to use instead.
refused view-option "$src/examples/demo.fa" "use the setting view=true" "--view $tmp/all.view"
refused report-option "$src/examples/demo.fa" "use the setting report=true" "-q --rep=$tmp/all.html"
refused output-option "$src/examples/demo.fa" "use the setting output=PATH" "-qO $tmp/x"
[ ! -e "$tmp/all.view" ] || { echo "FAIL view-option: a view was written"; exit 1; }

# The merged report and view hold what one run's hold, numbered the same;
# only the run's line and the command and date in each view differ.
mkdir -p "$tmp/report"
{ cat "$src/examples/demo.fa" "$src/examples/demo.fa"; } > "$tmp/report/six.fa"
"$build/torva" -q --strand both -I "$tmp/report/six.fa" -O "$tmp/report/whole.aln" --report "$tmp/report/whole.html" \
    --view "$tmp/report/whole.view" --paf "$tmp/report/whole.paf" --maf "$tmp/report/whole.maf" >/dev/null 2>&1
if ! snakemake --quiet --cores 2 -s "$src/workflow/Snakefile" --directory "$tmp/report" \
    --config input="$tmp/report/six.fa" output="$tmp/report/merged.aln" chunk_dir="$tmp/report/chunks" \
    program="$build/torva" chunks=3 report=true view=true paf=true maf=true strand=both >"$tmp/report/log" 2>&1; then
    cat "$tmp/report/log"
    echo "FAIL report: the workflow failed"
    exit 1
fi
for f in whole.html merged.aln.html whole.view merged.aln.view; do
    grep -v -e '^<p id="run">' -e '^# Commandline: ' -e '^# Rundate: ' "$tmp/report/$f" > "$tmp/report/$f.cmp"
done
cmp "$tmp/report/whole.html.cmp" "$tmp/report/merged.aln.html.cmp" || { echo "FAIL report: the merged report differs"; exit 1; }
grep -q 'Pairs: <span id="pair-count">6</span>' "$tmp/report/merged.aln.html" || { echo "FAIL report: pair count"; exit 1; }
cmp "$tmp/report/whole.view.cmp" "$tmp/report/merged.aln.view.cmp" || { echo "FAIL report: the merged view differs"; exit 1; }
cmp "$tmp/report/whole.paf" "$tmp/report/merged.aln.paf" || { echo "FAIL report: the merged PAF differs"; exit 1; }
cmp "$tmp/report/whole.maf" "$tmp/report/merged.aln.maf" || { echo "FAIL report: the merged MAF differs"; exit 1; }
cmp "$tmp/report/whole.aln.score" "$tmp/report/merged.aln.score" || { echo "FAIL report: the merged summary differs"; exit 1; }
echo "ok report"
