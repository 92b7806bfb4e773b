#!/bin/sh
# Installs the build to a temporary prefix, builds examples/api against it
# with find_package(torva) (and with pkg-config when present) outside the
# source tree, and checks that the program's alignment is the one torva writes.
# The prefix is a user's ~/.local: the installed Python module, when built,
# must import with a plain interpreter whose HOME is that user's, and the
# installed programs and module must find the matrices by name.
# Usage: install_test.sh BUILD-DIR SOURCE-DIR CMAKE CXX [PYTHON]
set -eu
build=$1 source=$2 cmake=$3 cxx=$4 python=${5:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

home="$work/home"
prefix="$home/.local"
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
"$cmake" -S "$source/examples/api" -B "$work/example" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_CXX_COMPILER="$cxx" >/dev/null
"$cmake" --build "$work/example" >/dev/null

# Two records of the real 1 kb pair, aligned by the program and by the example.
pair="$source/bench/data/dna_1k_yeast_cct4.fa"
seqs=$(awk '/^>/ { if (s != "") print s; s = ""; next } { s = s $0 } END { print s }' "$pair")
seq1=$(echo "$seqs" | sed -n 1p)
seq2=$(echo "$seqs" | sed -n 2p)
"$build/torva" -I "$pair" -O "$work/aln" >/dev/null
expected=$(awk -F'\t' 'NR == 1 { print "score " $3 " anchors " $2 } NR == 2 || NR == 4' "$work/aln")

check() {
    # A sanitized library needs its runtime loaded first (the example is not).
    got=$(LD_PRELOAD="${TORVA_TEST_PRELOAD:-}" "$1" "$seq1" "$seq2" | sed '2d; s/ (.*)$//')
    if [ "$got" != "$expected" ]; then
        echo "FAILED: $1 printed something else than the program wrote:"
        echo "$got" | cut -c1-100
        exit 1
    fi
}
check "$work/example/align"

if command -v pkg-config >/dev/null 2>&1; then
    lib=$(ls -d "$prefix"/lib*/pkgconfig | head -n 1)
    flags=$(PKG_CONFIG_PATH="$lib" pkg-config --cflags --libs torva)
    # shellcheck disable=SC2086
    "$cxx" -std=c++17 -o "$work/align-pc" "$source/examples/api/align.cpp" $flags \
        -Wl,-rpath,"$(dirname "$lib")"
    check "$work/align-pc"
fi
# A matrix by name, from a directory without matrix files.
protein="$source/bench/data/prot_hba_hbb_human.fa"
(cd "$work" && "$prefix/bin/torva" -q -P -S pam250 -I "$protein" -O "$work/by-name" >/dev/null) ||
    { echo "FAILED: the installed torva does not find PAM250 by name"; exit 1; }
"$build/torva" -q -P -S "$source/data/PAM250" -I "$protein" -O "$work/by-path" >/dev/null
cmp -s "$work/by-name" "$work/by-path" ||
    { echo "FAILED: -S pam250 aligns otherwise than the file data/PAM250"; exit 1; }

module=$(ls "$prefix"/lib/python*/site-packages/torva*.so 2>/dev/null | head -n 1)
if [ -n "$python" ] && "$python" -c "import site, sys; sys.exit(not site.ENABLE_USER_SITE)"; then
    [ -n "$module" ] || { echo "FAILED: no module in $prefix/lib/python*/site-packages"; exit 1; }
    [ -f "$(dirname "$module")/torva.pyi" ] || { echo "FAILED: no torva.pyi beside $module"; exit 1; }
    got=$(cd "$work" && env -u PYTHONPATH HOME="$home" LD_PRELOAD="${TORVA_TEST_PRELOAD:-}" \
        ASAN_OPTIONS=detect_leaks=0 "$python" -c "
import sys, torva
r = torva.align(sys.argv[1], sys.argv[2])
print(r.score, torva.__file__.startswith(sys.argv[3]), torva.Matrix.named('PAM250').score('w', 'w'))
" "$seq1" "$seq2" "$prefix/")
    want="$(echo "$expected" | sed -n '1s/^score \([-0-9]*\).*/\1/p') True 17"
    [ "$got" = "$want" ] ||
        { echo "FAILED: the module installed in $prefix gives '$got', not '$want'"; exit 1; }
fi
echo "installed library: find_package and pkg-config builds align like the program"
