#!/bin/sh
# Checks for what the build needs from Debian/Ubuntu: a C++ compiler, CMake,
# Ninja, make, zlib, GoogleTest and Google Benchmark; with the argument
# "fuzz" also clang and its libFuzzer runtime (fuzz/run.sh). When something
# is missing it is installed if we are root; otherwise the command to run is
# printed and the script fails.
set -eu

missing=""
command -v g++ >/dev/null 2>&1 || missing="$missing g++"
command -v cmake >/dev/null 2>&1 || missing="$missing cmake"
command -v make >/dev/null 2>&1 || missing="$missing make"
if ! command -v ninja >/dev/null 2>&1 && ! command -v make >/dev/null 2>&1; then
    missing="$missing ninja-build"
fi
[ -f /usr/include/gtest/gtest.h ] || missing="$missing libgtest-dev"
[ -f /usr/include/benchmark/benchmark.h ] || missing="$missing libbenchmark-dev"
[ -f /usr/include/zlib.h ] || missing="$missing zlib1g-dev"
packages="g++ cmake make ninja-build zlib1g-dev libgtest-dev libbenchmark-dev"
if [ "${1:-}" = fuzz ]; then
    command -v clang++ >/dev/null 2>&1 || missing="$missing clang"
    ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 ||
        missing="$missing libclang-rt-dev"
    packages="$packages clang libclang-rt-dev"
fi

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
