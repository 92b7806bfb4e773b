#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer and UBSan) in
# build-fuzz/ and runs each for SECONDS (default 60), one after another. The
# saved inputs in fuzz/regressions/TARGET/ are replayed first; a new crash,
# hang or leak is left in build-fuzz/artifacts/ and makes the script fail.
#   fuzz/run.sh 600
set -uo pipefail
seconds=${1:-60}
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh fuzz || exit 1

dir=build-fuzz
if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTORVA_FUZZ=ON -DTORVA_BUILD_TESTS=OFF || exit 1
fi
cmake --build "$dir" --parallel 2 --target fuzz_fasta fuzz_matrix fuzz_args || exit 1

# Seeds: the test and example inputs (FASTA also gzip-compressed), the
# matrices, and a few option lines as NUL-separated arguments.
corpus=$dir/corpus
mkdir -p "$corpus/fasta" "$corpus/matrix" "$corpus/args" "$dir/artifacts"
for f in tests/e2e/*.fa examples/*.fa; do
    cp "$f" "$corpus/fasta/"
    gzip -c "$f" > "$corpus/fasta/$(basename "$f").gz"
done
cp data/* tests/e2e/simple.matrix "$corpus/matrix/"
printf '%s\0' -I in.fa -O out -G 5 -A 1 -T 6 -C 5 > "$corpus/args/all"
printf '%s\0' -P -L -S m -I x > "$corpus/args/flags"
printf '%s\0' -Iin.fa -G-5 -PL -- rest > "$corpus/args/attached"
printf '%s\0' -I x -T -3 > "$corpus/args/invalid"
printf '%s' -h > "$corpus/args/help"

status=0
for target in fasta matrix args; do
    binary=$dir/fuzz_$target
    saved=(fuzz/regressions/$target/*)
    if [ -e "${saved[0]}" ]; then
        echo "== replaying ${#saved[@]} saved inputs of $target"
        "$binary" -close_fd_mask=3 "${saved[@]}" || { echo "REGRESSION in $target" >&2; status=1; }
    fi
    echo "== fuzzing $target for $seconds s"
    "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
        -close_fd_mask=3 -print_final_stats=1 -artifact_prefix="$dir/artifacts/$target-" \
        "$corpus/$target" || { echo "FOUND a failing input for $target: see $dir/artifacts/" >&2; status=1; }
done
exit $status
