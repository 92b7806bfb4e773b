#!/bin/sh
# Installs the build to a temporary prefix, builds examples/api against it
# with find_package(torva) (and with pkg-config when present) outside the
# source tree, and checks that the program's alignment is the one torva writes.
# The installed Python module, when built, must import from its directory.
# Usage: install_test.sh BUILD-DIR SOURCE-DIR CMAKE CXX [PYTHON]
set -eu
build=$1 source=$2 cmake=$3 cxx=$4 python=${5:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$cmake" --install "$build" --prefix "$work/prefix" >/dev/null
"$cmake" -S "$source/examples/api" -B "$work/example" -DCMAKE_PREFIX_PATH="$work/prefix" \
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
    lib=$(ls -d "$work/prefix"/lib*/pkgconfig | head -n 1)
    flags=$(PKG_CONFIG_PATH="$lib" pkg-config --cflags --libs torva)
    # shellcheck disable=SC2086
    "$cxx" -std=c++17 -o "$work/align-pc" "$source/examples/api/align.cpp" $flags \
        -Wl,-rpath,"$(dirname "$lib")"
    check "$work/align-pc"
fi
module=$(ls "$work/prefix"/lib/python*/*-packages/torva*.so 2>/dev/null | head -n 1)
if [ -n "$module" ] && [ -n "$python" ]; then
    [ -f "$(dirname "$module")/torva.pyi" ] || { echo "FAILED: no torva.pyi beside $module"; exit 1; }
    score=$(cd "$work" && LD_PRELOAD="${TORVA_TEST_PRELOAD:-}" ASAN_OPTIONS=detect_leaks=0 \
        PYTHONPATH="$(dirname "$module")" "$python" -c \
        "import sys, torva; print(torva.align(sys.argv[1], sys.argv[2]).score)" "$seq1" "$seq2")
    [ "score $score" = "$(echo "$expected" | sed -n '1s/ anchors.*//p')" ] ||
        { echo "FAILED: the installed module gives score $score"; exit 1; }
fi
echo "installed library: find_package and pkg-config builds align like the program"
