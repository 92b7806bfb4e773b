#!/bin/sh
# Configures (when needed) and builds the project in the directory given
# first; further arguments go to CMake's configure step.
#   scripts/build.sh build -DCMAKE_BUILD_TYPE=Release
set -eu

dir=$1
shift
cd "$(dirname "$0")/.."

generator=""
if [ ! -f "$dir/CMakeCache.txt" ]; then
    if command -v ninja >/dev/null 2>&1; then
        generator="Ninja"
    else
        generator="Unix Makefiles"
    fi
fi

if [ -n "$generator" ]; then
    cmake -S . -B "$dir" -G "$generator" "$@"
else
    cmake -S . -B "$dir" "$@"
fi
jobs=$(nproc 2>/dev/null || echo 2)
cmake --build "$dir" --parallel "$jobs"
