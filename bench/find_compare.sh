#!/usr/bin/env bash
# Runs find_bench under Wine, which writes its text to a file, then GNU grep
# (-c, -F -c, -i -c, -E -c for the bench's absent phrases) and sed
# 's/zq/yy/g' natively over that file, so the figures stand side by side.
# The tools write their output to a file: with it going to /dev/null GNU
# grep stops at the first match.
# Usage: bench/find_compare.sh [megabytes, default 100] [build tree, default build/x64]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
MB=${1:-100}
BUILD=$(cd "${2:-$ROOT/build/x64}" && pwd)
EXE=$BUILD/bench/find_bench.exe
export WINEPREFIX=${WINEPREFIX:-$BUILD/wineprefix}
export WINEDEBUG=-all
export LC_ALL=C.UTF-8

for tool in grep sed wine winepath; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[ -x "$EXE" ] || { echo "missing: $EXE (build the x64 tree first)" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

wine "$EXE" "$MB" "$(winepath -w "$tmp")" </dev/null | tr -d '\r'
file=$tmp/find_bench.txt

# Best of three runs after one to warm the cache, output to a file.
seconds() {
    local best=0 t0 t1 ns i
    "$@" >"$tmp/tool.out" || true
    for i in 1 2 3; do
        t0=$(date +%s%N)
        "$@" >"$tmp/tool.out" || true
        t1=$(date +%s%N)
        ns=$((t1 - t0))
        if [ "$best" = 0 ] || [ "$ns" -lt "$best" ]; then best=$ns; fi
    done
    echo "$best"
}
rate() {
    awk -v b="$(stat -c %s "$file")" -v ns="$(seconds "$@")" 'BEGIN { printf "%.1f", b / 1e6 / (ns / 1e9) }'
}

echo "grep_c_plain ${MB}MB: $(rate grep -c zqx "$file") MB/s"
echo "grep_F_c_plain ${MB}MB: $(rate grep -F -c zqx "$file") MB/s"
echo "grep_i_c_nocase ${MB}MB: $(rate grep -i -c ZQX "$file") MB/s"
echo "grep_E_c_regex ${MB}MB: $(rate grep -E -c 'zq[0-9]+x' "$file") MB/s"
ns=$(seconds sed 's/zq/yy/g' "$file")
awk -v ns="$ns" -v mb="$MB" 'BEGIN { printf "sed_replace_all_1000000 %sMB: %.2f s\n", mb, ns / 1e9 }'
