#!/bin/sh
# pip installs a copy of the source tree into a fresh virtual environment,
# offline (no index, no build isolation: Debian's setuptools and wheel are
# seen through the system site-packages), and the module then imports and
# aligns outside the tree like the program built here.
# Exits 77 (skipped) when venv, pip, setuptools or wheel are missing.
# Usage: pip_install_test.sh SOURCE-DIR BUILD-DIR PYTHON
set -eu
source=$1 build=$2 python=$3
"$python" -c "import venv, ensurepip, setuptools, wheel" 2>/dev/null ||
    { echo "skipped: $python lacks venv, ensurepip, setuptools or wheel"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A copy without build directories, as a fresh checkout would be.
mkdir "$work/src"
tar -C "$source" --exclude=./.git --exclude='./build' --exclude='./build-*' -cf - . |
    tar -C "$work/src" -xf -
"$python" -m venv --system-site-packages "$work/venv"
"$work/venv/bin/python" -m pip --version >/dev/null 2>&1 ||
    { echo "skipped: the virtual environment has no pip"; exit 77; }
PIP_NO_INDEX=1 "$work/venv/bin/python" -m pip install --no-build-isolation --no-index \
    --disable-pip-version-check "$work/src" >"$work/pip.log" 2>&1 ||
    { tail -n 40 "$work/pip.log"; echo "FAILED: pip install"; exit 1; }

pair="$source/bench/data/dna_1k_yeast_cct4.fa"
"$build/torva" -q -I "$pair" -O "$work/aln" >/dev/null
want=$(awk -F'\t' 'NR == 1 { print $3 }' "$work/aln")
got=$(cd "$work" && env -u PYTHONPATH "$work/venv/bin/python" -c "
import sys, torva
assert torva.__file__.startswith(sys.argv[2]), torva.__file__
(r,) = torva.align_file(sys.argv[1])
print(r.score)
" "$pair" "$work/venv/")
[ "$got" = "$want" ] || { echo "FAILED: the pip-installed module gives score '$got', not '$want'"; exit 1; }
ls "$work"/venv/lib/python*/site-packages/torva.pyi >/dev/null ||
    { echo "FAILED: no torva.pyi beside the installed module"; exit 1; }
echo "pip install: the module imports outside the tree and aligns like the program"
