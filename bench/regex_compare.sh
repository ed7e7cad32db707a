#!/usr/bin/env bash
# Runs regex_bench under Wine, which writes its 100 MB texts to files, then
# GNU grep -E (and ripgrep, when there is one) natively over the same files
# with the same patterns, and prints their figures beside the bench's own
# with the ratio. The tools write their output to a file: with its output
# going to /dev/null GNU grep stops at the first match. Two grep figures:
# printing the matching lines (grep -E, the harder reference: it may move
# on to the next line after a line's first match) and printing every match
# (grep -E -o, which finds every match as the bench does); the same two
# with -i for the searches without case. Backward searches are held against
# grep's forward speed over the same bytes.
# Usage: bench/regex_compare.sh [build tree, default build/x64] [another regex_bench.exe to compare, or -]
#        [pattern names, comma-separated: only those] [searches: f forward, b backward, p before]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build/x64}" && pwd)
EXE=$BUILD/bench/regex_bench.exe
OTHER=${2:-}
[ "$OTHER" = - ] && OTHER=
ONLY=${3:-}
WAYS=${4:-fbp}
export WINEPREFIX=${WINEPREFIX:-$BUILD/wineprefix}
export WINEDEBUG=-all
export LC_ALL=C.UTF-8

for tool in grep wine winepath perf; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[ -x "$EXE" ] || { echo "missing: $EXE (build the x64 tree first)" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Each program runs once per pattern asked for (all of them by default).
run_bench() {
    local exe=$1 folder=$2 name
    if [ -z "$ONLY" ]; then
        wine "$exe" "$folder" </dev/null
        return
    fi
    for name in ${ONLY//,/ }; do
        wine "$exe" "$folder" "$name" "$WAYS" </dev/null
        folder=-
    done
}
run_bench "$EXE" "$(winepath -w "$tmp")" | tr -d '\r' | tee "$tmp/bench.out"
if [ -n "$OTHER" ]; then
    run_bench "$OTHER" - | tr -d '\r' | sed -n 's/^regex_\(.*\)$/other_\1/p' | tee "$tmp/other.out"
fi

# Best of three runs, in MB/s (10^6 bytes) of processor time (perf's task
# clock; the bench counts its own), after one run to warm the cache;
# the output goes to a file each time.
rate() {
    local file=$1 best=0 ms i
    shift
    "$@" "$file" >"$tmp/tool.out" || true
    for i in 1 2 3; do
        perf stat -x, -e task-clock -o "$tmp/time.out" "$@" "$file" >"$tmp/tool.out" || true
        ms=$(awk -F, '$3 == "task-clock" { print $1 }' "$tmp/time.out")
        if [ "$best" = 0 ] || awk -v a="$ms" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$ms; fi
    done
    awk -v b="$(stat -c %s "$file")" -v ms="$best" 'BEGIN { printf "%.1f", b / 1e6 / (ms / 1e3) }'
}

figure() {
    sed -n "s/^$1: \([0-9.]*\) .*/\1/p" "$2"
}

printf '%s\n' "| search | pattern | regex MB/s | ${OTHER:+other MB/s | }grep MB/s | regex / grep | ${OTHER:+other / grep | }grep -o MB/s | regex / grep -o |" >"$tmp/table"
grep '^pattern_' "$tmp/bench.out" | sort -u | while IFS= read -r line; do
    name=${line%%:*}
    name=${name#pattern_}
    if [ -n "$ONLY" ] && ! [[ ",$ONLY," == *",$name,"* ]]; then continue; fi
    rest=${line#*: }
    file=$tmp/regex_bench_${rest%% *}.txt
    pattern=${rest#* }
    g=$(rate "$file" grep -E -- "$pattern")
    go=$(rate "$file" grep -E -o -- "$pattern")
    gi=$(rate "$file" grep -E -i -- "$pattern")
    gio=$(rate "$file" grep -E -i -o -- "$pattern")
    echo "grep_${name}_100MB: $g MB/s"
    echo "grep_o_${name}_100MB: $go MB/s"
    echo "grep_i_${name}_100MB: $gi MB/s"
    echo "grep_io_${name}_100MB: $gio MB/s"
    echo "grep_${name}_matches_100MB: $(grep -E -o -- "$pattern" "$file" | wc -l) count"
    echo "grep_i_${name}_matches_100MB: $(grep -E -i -o -- "$pattern" "$file" | wc -l) count"
    if command -v rg >/dev/null; then
        echo "rg_${name}_100MB: $(rate "$file" rg -- "$pattern") MB/s"
    fi
    for search in "" i_ back_ back_i_ before_ before_i_; do
        case $search in
        *i_) ref=$gi refo=$gio ;;
        *) ref=$g refo=$go ;;
        esac
        r=$(figure "regex_${search}${name}_100MB" "$tmp/bench.out")
        [ -n "$r" ] || continue
        o=""
        if [ -n "$OTHER" ]; then
            ov=$(figure "other_${search}${name}_100MB" "$tmp/other.out")
            o="$ov | "
        fi
        ratio=$(awk -v r="$r" -v g="$ref" 'BEGIN { printf "%.2f", r / g }')
        ratioo=$(awk -v r="$r" -v g="$refo" 'BEGIN { printf "%.2f", r / g }')
        or=""
        [ -n "$OTHER" ] && or="$(awk -v r="$ov" -v g="$ref" 'BEGIN { if (r == "") print "-"; else printf "%.2f", r / g }') | "
        echo "ratio_${search}${name}_100MB: $ratio x"
        echo "| ${search:-forward_} | \`$pattern\` | $r | $o$ref | $ratio | $or$refo | $ratioo |" >>"$tmp/table"
    done
done
cat "$tmp/table"
