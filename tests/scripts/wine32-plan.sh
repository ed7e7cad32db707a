#!/usr/bin/env bash
# The 32-bit Wine's install plan, made against a private apt and dpkg state
# (never the machine's) that has both skews seen on real machines: installed
# packages older than the indexes, and a failed i386 index of the security
# updates. The plan must install wine32:i386 removing and downgrading nothing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/common.sh"

t=$(mktemp -d "${TMPDIR:-/tmp}/wine32-plan.XXXXXX")
trap '[ -n "${KEEP:-}" ] || rm -rf "$t"' EXIT
chmod 755 "$t"
mkdir -p "$t"/{dpkg/info,dpkg/updates,lists/partial,cache/archives/partial,sources.d,debs,pool/updates/main/b/baz}

# name arch multi-arch source version depends
installed='libfoo1 amd64 same foo 1.0-1 -
libfoo-dev amd64 same foo 1.0-1 libfoo1_(=_1.0-1)
foo-utils amd64 foreign foo 1.0-1 libfoo1_(>=_1.0)
foo-doc all foreign foo 1.0-1 -
libbar1 amd64 same bar 2.0-1 -
libbaz1 amd64 same baz 3.0-1+s1 -'
stanza() { # name arch multi-arch source version depends [status]
    printf 'Package: %s\nArchitecture: %s\nMulti-Arch: %s\nSource: %s\nVersion: %s\n' "$1" "$2" "$3" "$4" "$5"
    [ "$6" = - ] || printf 'Depends: %s\n' "${6//_/ }"
    if [ -n "${7:-}" ]; then
        printf 'Status: install ok installed\n'
    else
        printf 'Filename: pool/main/%s_%s_%s.deb\nSize: 1000\n' "$1" "$5" "$2"
    fi
    printf 'Maintainer: Nobody <nobody@example.org>\nDescription: %s\n\n' "$1"
}
while read -r line; do stanza $line installed; done <<<"$installed" >"$t/dpkg/status"

# suite arch: what each index offers (the same fields, minus the status).
index() {
    local suite=$1 arch=$2 d=$t/repo/dists/$1/main/binary-$2
    mkdir -p "$d"
    while read -r line; do [ -n "$line" ] && stanza $line; done >"$d/Packages"
}
main_foo='libfoo1 ARCH same foo 1.0-2 -
libfoo-dev ARCH same foo 1.0-2 libfoo1_(=_1.0-2)
foo-utils ARCH foreign foo 1.0-2 libfoo1_(>=_1.0)
foo-doc all foreign foo 1.0-2 -
libbar1 ARCH same bar 2.0-1 -
libbaz1 ARCH same baz 3.0-1 -'
sec_foo='libfoo1 ARCH same foo 1.0-5 -
libfoo-dev ARCH same foo 1.0-5 libfoo1_(=_1.0-5)
foo-utils ARCH foreign foo 1.0-5 libfoo1_(>=_1.0)
libbaz1 ARCH same baz 3.0-1+s1 -'
index bookworm amd64 <<<"${main_foo//ARCH/amd64}"
index bookworm i386 <<<"${main_foo//ARCH/i386}
wine32 i386 foreign wine 8.0-1 libfoo1_(>=_1.0),_libbar1,_libbaz1"
index bookworm-security amd64 <<<"${sec_foo//ARCH/amd64}"
index bookworm-security i386 <<<"${sec_foo//ARCH/i386}"
for suite in bookworm bookworm-security; do
    {
        printf 'Suite: %s\nCodename: %s\nArchitectures: amd64 i386\nComponents: main\n' "$suite" "$suite"
        printf 'Date: Thu, 01 Jan 2026 00:00:00 UTC\nSHA256:\n'
        for arch in amd64 i386; do
            f=$t/repo/dists/$suite/main/binary-$arch/Packages
            size=$(stat -c %s "$f")
            # The security i386 index arrives cut short, as from a mirror in sync.
            [ "$suite/$arch" = bookworm-security/i386 ] && size=$((size + 7))
            printf ' %s %s main/binary-%s/Packages\n' "$(sha256sum <"$f" | cut -d' ' -f1)" "$size" "$arch"
        done
    } >"$t/repo/dists/$suite/Release"
done
# The security i386 library is in the pool by its file name all the same.
mkdir -p "$t/deb/DEBIAN" "$t/repo/pool/updates/main/b/baz"
printf 'Package: libbaz1\nVersion: 3.0-1+s1\nArchitecture: i386\nMulti-Arch: same\nSource: baz\nMaintainer: Nobody <nobody@example.org>\nDescription: baz\n' \
    >"$t/deb/DEBIAN/control"
dpkg-deb -Zgzip --build "$t/deb" "$t/repo/pool/updates/main/b/baz/libbaz1_3.0-1+s1_i386.deb" >/dev/null

printf 'deb [trusted=yes] file:%s/repo bookworm main\ndeb [trusted=yes] file:%s/repo bookworm-security main\n' "$t" "$t" \
    >"$t/sources.list"
conf() {
    cat >"$t/apt.conf" <<CONF
Dir::State "$t/state";
Dir::State::Lists "$t/lists";
Dir::State::status "$t/dpkg/status";
Dir::Cache "$t/cache";
Dir::Etc::sourcelist "$t/sources.list";
Dir::Etc::sourceparts "$t/sources.d";
Dir::Etc::preferences "$t/none";
Dir::Etc::preferencesparts "$t/sources.d";
Dir::Log "$t/log";
APT::Architecture "amd64";
APT::Architectures { $1 };
Acquire::Languages "none";
APT::Sandbox::User "$(id -un)";
CONF
}
WINE32_APT_OPTS=(-c "$t/apt.conf")
WINE32_DPKG_OPTS=(--admindir="$t/dpkg")
status_before=$(sha256sum <"$t/dpkg/status")
fail() { echo "FAILED: $*" >&2; exit 1; }
# The machine fetched its indexes before the i386 architecture was added;
# with it, the security i386 index fails and the security archive keeps its
# amd64 index only.
conf '"amd64";'
apt-get "${WINE32_APT_OPTS[@]}" update >/dev/null 2>&1 || fail "the first apt-get update failed"
printf 'i386\n' >"$t/dpkg/arch"
conf '"amd64"; "i386";'
update=$(apt-get "${WINE32_APT_OPTS[@]}" update 2>&1) && fail "the cut-short index was accepted: $update"
grep -q 'bookworm-security/main/binary-i386/Packages' <<<"$update" || fail "apt-get update said: $update"
[ "$(wine32_versions libfoo1:amd64 libfoo1:i386 | tr '\n' ' ')" = \
  "libfoo1 amd64 1.0-2 libfoo1 amd64 1.0-5 libfoo1 i386 1.0-2 " ] ||
    fail "the indexes are not skewed: $(wine32_versions libfoo1:amd64 libfoo1:i386)"

# The plain request fails: the i386 libraries are older than their twins.
wine32_plan_ok wine32:i386 && fail "the skew did not show: $WINE32_PLAN"
dir=$t/debs
wine32_plan "$dir" 2>"$t/said" || fail "no plan: $(cat "$t/said"); $WINE32_PLAN"
out=$(cat "$t/said")
grep -q '^Remv' <<<"$WINE32_PLAN" && fail "the plan removes packages: $WINE32_PLAN"
for inst in 'wine32:i386 (8.0-1' 'libfoo1:i386 (1.0-2' 'libbar1:i386 (2.0-1' 'libbaz1:i386 (3.0-1+s1' \
    'libfoo1 [1.0-1] (1.0-2' 'libfoo-dev [1.0-1] (1.0-2' 'foo-utils [1.0-1] (1.0-2' 'foo-doc [1.0-1] (1.0-2'; do
    grep -qF "Inst $inst" <<<"$WINE32_PLAN" || fail "the plan lacks $inst: $WINE32_PLAN"
done
[ "$(grep -c '^Inst' <<<"$WINE32_PLAN")" = 8 ] || fail "the plan has more than asked: $WINE32_PLAN"
[ "$out" = "== upgrading 4 packages to keep the 32-bit libraries in step with their 64-bit twins" ] ||
    fail "it said: $out"
[ "$(sha256sum <"$t/dpkg/status")" = "$status_before" ] || fail "the plan changed the dpkg state"
echo "plan: $(grep -c '^Inst [^ ]* \[' <<<"$WINE32_PLAN") upgrades, $(grep -c '^Inst [^ ]* (' <<<"$WINE32_PLAN") new, 0 removals"
