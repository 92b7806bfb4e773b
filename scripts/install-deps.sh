#!/bin/sh
# Checks for what the build and the tests need from Debian/Ubuntu: a C++
# compiler, CMake, Ninja, make, zlib, Highway (vector kernels), GoogleTest,
# Google Benchmark, and for the Python module and its tests pybind11, the
# Python headers, pytest, pip with setuptools, wheel and venv (the module's
# pip install, offline), parasail's aligner (a peer's scores and
# matrices to compare with) and Biopython (the module's to_biopython() and
# the peer that reads our files). Extras on request:
#   fuzz      clang and its libFuzzer runtime (fuzz/run.sh)
#   workflow  Snakemake (workflow/ and its test; a large package)
#   browser   headless Chromium, its driver and Selenium (the report's browser test)
# When something is missing it is installed if we are root; otherwise the
# command to run is printed and the script fails.
#   scripts/install-deps.sh [fuzz] [workflow] [browser]
set -eu

missing=""
need() { missing="$missing $1"; }
command -v g++ >/dev/null 2>&1 || need g++
command -v cmake >/dev/null 2>&1 || need cmake
command -v make >/dev/null 2>&1 || need make
command -v ninja >/dev/null 2>&1 || need ninja-build
[ -f /usr/include/zlib.h ] || need zlib1g-dev
[ -f /usr/include/hwy/highway.h ] || need libhwy-dev
[ -f /usr/include/gtest/gtest.h ] || need libgtest-dev
[ -f /usr/include/benchmark/benchmark.h ] || need libbenchmark-dev
[ -f /usr/include/pybind11/pybind11.h ] || need pybind11-dev
ls /usr/include/python3*/Python.h >/dev/null 2>&1 || need python3-dev
/usr/bin/python3 -c "import pytest" >/dev/null 2>&1 || need python3-pytest
/usr/bin/python3 -m pip --version >/dev/null 2>&1 || need python3-pip
/usr/bin/python3 -c "import setuptools" >/dev/null 2>&1 || need python3-setuptools
/usr/bin/python3 -c "import wheel" >/dev/null 2>&1 || need python3-wheel
/usr/bin/python3 -c "import ensurepip, venv" >/dev/null 2>&1 || need python3-venv
command -v parasail_aligner >/dev/null 2>&1 || need parasail
/usr/bin/python3 -c "import Bio.Align, Bio.AlignIO" >/dev/null 2>&1 || need python3-biopython
packages="g++ cmake make ninja-build zlib1g-dev libhwy-dev libgtest-dev libbenchmark-dev pybind11-dev python3-dev python3-pytest python3-pip python3-setuptools python3-wheel python3-venv parasail python3-biopython"

for extra in "$@"; do
    case "$extra" in
        fuzz)
            command -v clang++ >/dev/null 2>&1 || need clang
            ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 ||
                need libclang-rt-dev
            packages="$packages clang libclang-rt-dev"
            ;;
        workflow)
            command -v snakemake >/dev/null 2>&1 || need snakemake
            packages="$packages snakemake"
            ;;
        browser)
            command -v chromium >/dev/null 2>&1 || need chromium
            command -v chromedriver >/dev/null 2>&1 || need chromium-driver
            /usr/bin/python3 -c "import selenium" >/dev/null 2>&1 || need python3-selenium
            packages="$packages chromium chromium-driver python3-selenium"
            ;;
        *)
            echo "install-deps.sh: unknown extra '$extra' (fuzz, workflow, browser)" >&2
            exit 2
            ;;
    esac
done

[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    echo "Installing build dependencies:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends $packages
else
    echo "Missing build dependencies:$missing" >&2
    echo "Install them with:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y --no-install-recommends $packages" >&2
    exit 1
fi
