#!/bin/sh
# Checks for what the build needs from Debian/Ubuntu: a C++ compiler, CMake,
# Ninja, make, GoogleTest, Google Benchmark and Highway (SIMD), and for the
# Python module and its tests pybind11, the Python headers and pytest. When
# something is missing
# it is installed if we are root; otherwise the command to run is printed and
# the script fails.
#   --workflow  also Snakemake, for workflow/ and its test (a large package,
#               so only on request)
set -eu

extra=""
[ "${1:-}" = "--workflow" ] && extra="snakemake"

missing=""
command -v g++ >/dev/null 2>&1 || missing="$missing g++"
command -v cmake >/dev/null 2>&1 || missing="$missing cmake"
command -v make >/dev/null 2>&1 || missing="$missing make"
if ! command -v ninja >/dev/null 2>&1 && ! command -v make >/dev/null 2>&1; then
    missing="$missing ninja-build"
fi
[ -f /usr/include/gtest/gtest.h ] || missing="$missing libgtest-dev"
[ -f /usr/include/benchmark/benchmark.h ] || missing="$missing libbenchmark-dev"
[ -f /usr/include/hwy/highway.h ] || missing="$missing libhwy-dev"
if [ -n "$extra" ] && ! command -v snakemake >/dev/null 2>&1; then
    missing="$missing snakemake"
fi

[ -f /usr/include/pybind11/pybind11.h ] || missing="$missing pybind11-dev"
ls /usr/include/python3*/Python.h >/dev/null 2>&1 || missing="$missing python3-dev"
/usr/bin/python3 -c "import pytest" >/dev/null 2>&1 || missing="$missing python3-pytest"

[ -z "$missing" ] && exit 0

packages="g++ cmake make ninja-build libgtest-dev libbenchmark-dev libhwy-dev pybind11-dev python3-dev python3-pytest $extra"
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
