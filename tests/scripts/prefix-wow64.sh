#!/usr/bin/env bash
# A Wine prefix made while only the 64-bit Wine was installed gets the
# 32-bit half when the set-up prepares it, keeping the user's files.
# Without arguments the repair runs with stand-ins for Wine's tools (runs
# anywhere); with --real it runs with Wine itself, where 32-bit programs
# run, and exits 77 (skipped) elsewhere.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/common.sh"

fail() { echo "FAILED: $*" >&2; exit 1; }
t=$(mktemp -d "${TMPDIR:-/tmp}/prefix-wow64.XXXXXX")
trap 'rm -rf "$t"' EXIT
p=$t/prefix
sys=$p/drive_c/windows/syswow64
work=$p/drive_c/users/$(id -un)/AppData/Local/Scrivel/autosave
# scripts/test says why 32-bit programs cannot run here, if they cannot.
why=${SCRIVEL_WINE32_WHY:-}
export SCRIVEL_WINE32_WHY=

if [ "${1:-}" = --real ]; then
    if [ -n "$why" ]; then
        :
    elif ! kernel_runs_32bit; then
        why="this kernel does not run 32-bit programs"
    elif ! wine32_installed; then
        why="the 32-bit Wine (wine32:i386) is not installed"
    fi
    if [ -n "$why" ]; then
        echo "skipped: $why"
        exit 77
    fi
    export WINEPREFIX=$p WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    trap 'WINEPREFIX=$p wineserver -k 2>/dev/null; rm -rf "$t"' EXIT
    # What the 64-bit Wine alone leaves: an empty syswow64, and the set-up's
    # marks of a finished prefix.
    wineboot -i >/dev/null 2>&1 </dev/null
    wineserver -k 2>/dev/null || true
    find "$sys" -mindepth 1 -delete
    touch "$p/.scrivel-ready" "$p/.scrivel-unmanaged" "$p/.scrivel-wow64"
    mkdir -p "$work" && echo "the user's text" >"$work/marker"
    run32() { wine 'C:\windows\syswow64\cmd.exe' /c exit 7 >/dev/null 2>&1 </dev/null && echo 0 || echo $?; }
    [ "$(run32)" != 7 ] || fail "a 32-bit program starts in a prefix with an empty syswow64"
    wineserver -k 2>/dev/null || true
    prepare_prefix "$p" 2>"$t/said"
    [ "$(run32)" = 7 ] || fail "no 32-bit program starts after the repair: $(cat "$t/said")"
    [ "$(cat "$work/marker")" = "the user's text" ] || fail "the user's file was lost"
    [ -f "$p/.scrivel-wow64" ] || fail "the repair is not marked done"
    exit 0
fi

# Stand-ins: wineboot -i makes what a prefix with both halves has when
# FAKE_WOW64 is set, wineboot -u notes the prefix and answers FAKE_UPDATE_RC.
mkdir -p "$t/bin" "$t/tmp"
cat >"$t/bin/wineboot" <<'FAKE'
#!/bin/sh
case $1 in
-i) mkdir -p "$WINEPREFIX/drive_c/windows/syswow64/drivers"
    if [ -n "${FAKE_WOW64:-}" ]; then
        echo new >"$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll"
        echo new >"$WINEPREFIX/drive_c/windows/syswow64/ntdll.dll"
        echo new >"$WINEPREFIX/drive_c/windows/syswow64/drivers/null.sys"
    fi ;;
-u) echo "$WINEPREFIX" >>"$FAKE_LOG"; exit "${FAKE_UPDATE_RC:-0}" ;;
esac
FAKE
printf '#!/bin/sh\n' >"$t/bin/wineserver"
printf '#!/bin/sh\n' >"$t/bin/wine"
chmod +x "$t/bin/"*
export PATH=$t/bin:$PATH TMPDIR=$t/tmp FAKE_LOG=$t/updated
wine32_installed() { true; }

# An old prefix: syswow64 has one file of its own, one left empty; the
# earlier set-up marked it done after a wineboot -u that failed.
mkdir -p "$sys" "$work"
echo own >"$sys/ntdll.dll"
: >"$sys/kernel32.dll"
echo "the user's text" >"$work/marker"
touch "$p/.scrivel-ready" "$p/.scrivel-unmanaged" "$p/.scrivel-wow64"
tree() { (cd "$p" && find . -type f -printf '%P %s\n' | sort); }
before=$(tree)

check_failed() {
    local said
    said=$( (prepare_prefix "$p") 2>&1) || fail "prepare_prefix failed: $said"
    [ "$(grep -c 'could not add the 32-bit half' <<<"$said")" = 1 ] || fail "it said: $said"
    [ ! -f "$p/.scrivel-wow64" ] || fail "a failed repair is marked done"
    [ -z "$(ls -A "$TMPDIR")" ] || fail "the scratch prefix stays: $(ls "$TMPDIR")"
}
# No 32-bit files to be had: nothing in the prefix changes but the mark.
check_failed
[ "$(tree)" = "$(grep -v '^.scrivel-wow64 ' <<<"$before")" ] || fail "the prefix changed: $(tree)"
[ ! -f "$FAKE_LOG" ] || fail "wineboot -u ran without the 32-bit files"
# wineboot -u fails: not marked done, tried again next time.
export FAKE_WOW64=1
FAKE_UPDATE_RC=1 check_failed
# It works: the missing and empty files come from the scratch prefix.
said=$( (prepare_prefix "$p") 2>&1)
[ "$said" = "== adding the 32-bit half to Wine prefix $p" ] || fail "it said: $said"
[ "$(cat "$sys/kernel32.dll") $(cat "$sys/ntdll.dll") $(cat "$sys/drivers/null.sys")" = "new own new" ] ||
    fail "syswow64 was not filled right: $(cd "$sys" && grep -r . .)"
[ "$(cat "$work/marker")" = "the user's text" ] || fail "the user's file was lost"
[ -f "$p/.scrivel-wow64" ] || fail "the repair is not marked done"
[ "$(cat "$FAKE_LOG")" = "$p"$'\n'"$p" ] || fail "wineboot -u ran for: $(cat "$FAKE_LOG")"
[ -z "$(ls -A "$TMPDIR")" ] || fail "the scratch prefix stays: $(ls "$TMPDIR")"
# Once mended, the next preparation does nothing more.
said=$( (prepare_prefix "$p") 2>&1)
[ -z "$said" ] && [ "$(wc -l <"$FAKE_LOG")" = 2 ] || fail "mended again: $said"
