#!/bin/sh
# Writes the host iconv's reading of the bytes 0x80-0xFF in the code pages
# Wine lacks, one line per byte: "<code page> <byte hex> <UTF-16 hex or ->".
set -eu
out=$1
tmp=$out.tmp
: > "$tmp"
for cs in ISO-8859-10 ISO-8859-11 ISO-8859-14; do
    b=128
    while [ $b -le 255 ]; do
        hex=$(printf '%02X' $b)
        u=$(printf "\\$(printf '%03o' $b)" | iconv -f $cs -t UTF-16BE 2>/dev/null | od -An -tx1 | tr -d ' \n') || u=
        [ -n "$u" ] || u=-
        echo "$cs $hex $u" >> "$tmp"
        b=$((b + 1))
    done
done
mv "$tmp" "$out"
