#!/usr/bin/env bash
# Runs regex_bench under Wine, which writes its 100 MB text to a file, then
# GNU grep -E and ripgrep natively over that file with the same patterns,
# and prints their figures beside the bench's own.
# Usage: bench/regex_compare.sh [build tree, default build/x64]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/x64}
EXE=$BUILD/bench/regex_bench.exe
export WINEPREFIX=${WINEPREFIX:-$BUILD/wineprefix}
export WINEDEBUG=-all
export LC_ALL=C.UTF-8

for tool in grep rg wine winepath; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[ -x "$EXE" ] || { echo "missing: $EXE (build the x64 tree first)" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
file=$tmp/regex_bench.txt

wine "$EXE" "$(winepath -w "$file")" </dev/null | tr -d '\r' | tee "$tmp/bench.out"
size=$(stat -c %s "$file")

# Best of three runs, in MB/s (10^6 bytes), after one run to warm the cache.
rate() {
    local best=0 t0 t1 ns i
    "$@" >/dev/null || true
    for i in 1 2 3; do
        t0=$(date +%s%N)
        "$@" >/dev/null || true
        t1=$(date +%s%N)
        ns=$((t1 - t0))
        if [ "$best" = 0 ] || [ "$ns" -lt "$best" ]; then best=$ns; fi
    done
    awk -v b="$size" -v ns="$best" 'BEGIN { printf "%.1f", b / 1e6 / (ns / 1e9) }'
}

echo "reference_file_100MB: $size bytes"
grep '^pattern_' "$tmp/bench.out" | while IFS= read -r line; do
    name=${line%%:*}
    name=${name#pattern_}
    pattern=${line#*: }
    echo "grep_${name}_100MB: $(rate grep -E -c -- "$pattern" "$file") MB/s"
    echo "grep_${name}_matches_100MB: $(grep -E -o -- "$pattern" "$file" | wc -l) count"
    echo "rg_${name}_100MB: $(rate rg -c -- "$pattern" "$file") MB/s"
    echo "rg_${name}_matches_100MB: $(rg -o -- "$pattern" "$file" | wc -l) count"
done
