#!/usr/bin/env bash
# Runs regex_bench under Wine, which writes its 100 MB texts to files, then
# GNU grep -E (and ripgrep, when there is one) natively over those files
# with the same patterns, and prints their figures beside the bench's own
# with the ratio. The tools write their output to a file: with its output
# going to /dev/null GNU grep stops at the first match.
# Usage: bench/regex_compare.sh [build tree, default build/x64] [another regex_bench.exe to compare]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build/x64}" && pwd)
EXE=$BUILD/bench/regex_bench.exe
OTHER=${2:-}
export WINEPREFIX=${WINEPREFIX:-$BUILD/wineprefix}
export WINEDEBUG=-all
export LC_ALL=C.UTF-8

for tool in grep wine winepath; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[ -x "$EXE" ] || { echo "missing: $EXE (build the x64 tree first)" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

wine "$EXE" "$(winepath -w "$tmp")" </dev/null | tr -d '\r' | tee "$tmp/bench.out"
if [ -n "$OTHER" ]; then
    wine "$OTHER" </dev/null | tr -d '\r' | sed -n 's/^regex_\(.*_100MB: .*MB\/s\)$/other_\1/p' | tee "$tmp/other.out"
fi

# Best of three runs, in MB/s (10^6 bytes), after one run to warm the cache;
# the output goes to a file each time.
rate() {
    local file=$1 best=0 t0 t1 ns i
    shift
    "$@" "$file" >"$tmp/tool.out" || true
    for i in 1 2 3; do
        t0=$(date +%s%N)
        "$@" "$file" >"$tmp/tool.out" || true
        t1=$(date +%s%N)
        ns=$((t1 - t0))
        if [ "$best" = 0 ] || [ "$ns" -lt "$best" ]; then best=$ns; fi
    done
    awk -v b="$(stat -c %s "$file")" -v ns="$best" 'BEGIN { printf "%.1f", b / 1e6 / (ns / 1e9) }'
}

figure() {
    sed -n "s/^$1: \([0-9.]*\) .*/\1/p" "$2"
}

printf '%s\n' "| pattern | regex MB/s | ${OTHER:+other MB/s | }grep -E MB/s | regex / grep |" >"$tmp/table"
grep '^pattern_' "$tmp/bench.out" | while IFS= read -r line; do
    name=${line%%:*}
    name=${name#pattern_}
    rest=${line#*: }
    file=$tmp/regex_bench_${rest%% *}.txt
    pattern=${rest#* }
    g=$(rate "$file" grep -E -- "$pattern")
    echo "grep_${name}_100MB: $g MB/s"
    echo "grep_${name}_matching_lines_100MB: $(grep -E -c -- "$pattern" "$file" || true) count"
    if command -v rg >/dev/null; then
        echo "rg_${name}_100MB: $(rate "$file" rg -- "$pattern") MB/s"
    fi
    r=$(figure "regex_${name}_100MB" "$tmp/bench.out")
    o=""
    [ -n "$OTHER" ] && o="$(figure "other_${name}_100MB" "$tmp/other.out") | "
    ratio=$(awk -v r="$r" -v g="$g" 'BEGIN { printf "%.2f", r / g }')
    echo "ratio_${name}_100MB: $ratio x"
    echo "| \`$pattern\` | $r | $o$g | $ratio |" >>"$tmp/table"
done
cat "$tmp/table"
