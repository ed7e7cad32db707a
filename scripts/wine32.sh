# The 32-bit half of Wine, which runs the 32-bit help viewer and its tests.
# Sourced by common.sh, not run.
#
# ensure_wine32 answers 0 when 32-bit Windows programs can run here, else
# sets WINE32_WHY to one line that says why not. It installs Debian's
# wine32:i386 where the kernel runs 32-bit programs, never removing or
# downgrading a package: every plan is simulated first and refused when it
# would remove one. When the mirror's i386 index of the security updates
# cannot be fetched, the i386 libraries are offered only at older versions
# than their installed amd64 twins, which multi-arch forbids; the twins are
# then asked for at exactly the installed amd64 versions, and a version
# missing from every i386 index is fetched from the pool by its file name.
# Where the machine's packages are older than the indexes, a twin is
# upgraded with the rest of its source's installed packages.

WINE32_WHY=
# The apt and dpkg state the plan is made against: the machine's own unless
# these name another (apt-get/apt-cache options, dpkg-query/dpkg options).
WINE32_APT_OPTS=()
WINE32_DPKG_OPTS=()

# A 96-byte 32-bit ELF program, written byte by byte, that exits with 42
# (mov eax, 1; mov ebx, 42; int 0x80): only a kernel that runs 32-bit
# programs gives 42.
kernel_runs_32bit() {
    local f rc=0
    f=$(mktemp "${TMPDIR:-/tmp}/elf32.XXXXXX") || return 1
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'`
          `'\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'`
          `'\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'`
          `'\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08'`
          `'\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00'`
          `'\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$f"
    chmod +x "$f"
    "$f" 2>/dev/null || rc=$?
    rm -f "$f"
    [ "$rc" = 42 ]
}

wine32_installed() {
    dpkg-query "${WINE32_DPKG_OPTS[@]}" -W -f='${Status}\n' wine32:i386 2>/dev/null | grep -q '^install ok installed' &&
        [ -x /usr/lib/wine/wine ]
}

# The i386 packages wine32:i386 needs, recursively (no recommendations).
wine32_closure() {
    apt-cache "${WINE32_APT_OPTS[@]}" depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
        --no-replaces --no-enhances wine32:i386 2>/dev/null | grep -E '^[a-z0-9][^ <>]*:i386$' | sort -u
}

# The archives apt takes its indexes from (also those whose index failed).
wine32_repo_uris() {
    apt-get "${WINE32_APT_OPTS[@]}" indextargets --format '$(REPO_URI)' 2>/dev/null |
        grep -E '^(https?|file):' | sed 's,/*$,/,' | sort -u
}

# Prints the arguments that keep every i386 library in step with its
# installed amd64 twin (Multi-Arch: same needs one version for both):
# "pkg:i386=V" when an index has the installed amd64 version V; else
# "pkg:amd64=W pkg:i386=W" for the newest W above V that both indexes have
# (an upgrade, never a downgrade); else the path of the i386 .deb at V
# fetched from the pool into $1. A twin upgraded to W takes along every
# installed package built from the same source at the same version, at W
# where an index has it: those that need exactly V (its -dev package) would
# otherwise be removed.
wine32_twin_pins() {
    local dir=$1 name arch inst ma src srcv st versions v both i386 uri area file got
    local -A installed source srcver upgraded oldver
    local all=()
    while read -r name arch inst src srcv st ma; do
        [[ $st == ii* ]] || continue
        all+=("$name $arch $inst $src $srcv")
        [ "$arch" = amd64 ] && [ "$ma" = same ] || continue
        installed[$name]=$inst
        source[$name]=$src
        srcver[$name]=$srcv
    done < <(dpkg-query "${WINE32_DPKG_OPTS[@]}" -W -f='${Package} ${Architecture} ${Version} ${source:Package} ${source:Version} ${db:Status-Abbrev} ${Multi-Arch}\n' 2>/dev/null)
    local names=()
    for name in $(wine32_closure); do
        name=${name%:i386}
        [ -n "${installed[$name]:-}" ] && names+=("$name")
    done
    [ ${#names[@]} -gt 0 ] || return 0
    # Every version of every twin in one look-up: "name arch version".
    local queries=()
    for name in "${names[@]}"; do
        queries+=("$name:i386" "$name:amd64")
    done
    versions=$(wine32_versions "${queries[@]}")
    for name in "${names[@]}"; do
        inst=${installed[$name]}
        i386=$(awk -v n="$name" '$1 == n && $2 == "i386" { print $3 }' <<<"$versions")
        if grep -qxF -- "$inst" <<<"$i386"; then
            # Already what apt picks, or pinned to it.
            echo "$name:i386=$inst"
            continue
        fi
        both=
        for v in $i386; do
            awk -v n="$name" -v v="$v" '$1 == n && $2 == "amd64" && $3 == v { f = 1 } END { exit !f }' <<<"$versions" ||
                continue
            dpkg --compare-versions "$v" gt "$inst" || continue
            [ -z "$both" ] || dpkg --compare-versions "$v" gt "$both" && both=$v
        done
        if [ -n "$both" ]; then
            echo "$name:amd64=$both $name:i386=$both"
            upgraded[${source[$name]} ${srcver[$name]}]=$both
            oldver[${source[$name]} ${srcver[$name]}]=$inst
            continue
        fi
        # The pool keeps it beside its amd64 twin: pool/<area>/<l or libx>/<source>/.
        src=${source[$name]}
        case $src in lib?*) v=${src:0:4} ;; *) v=${src:0:1} ;; esac
        file=${name}_${inst#*:}_i386.deb
        got=
        for uri in $(wine32_repo_uris); do
            for area in pool/updates/main pool/main; do
                if /usr/lib/apt/apt-helper "${WINE32_APT_OPTS[@]}" download-file "$uri$area/$v/$src/$file" "$dir/$file" >/dev/null 2>&1 &&
                    [ "$(dpkg-deb -f "$dir/$file" Package Version Architecture 2>/dev/null | tr '\n' ' ')" = \
                      "Package: $name Version: $inst Architecture: i386 " ]; then
                    got=$dir/$file
                    break 2
                fi
                rm -f "$dir/$file"
            done
        done
        [ -n "$got" ] && echo "$got"
    done
    [ ${#upgraded[@]} -gt 0 ] || return 0
    # The siblings of the upgraded twins, each at its twin's new version (an
    # arch: all package is listed as amd64).
    local queries=() want=() line key
    for line in "${all[@]}"; do
        read -r name arch inst src srcv <<<"$line"
        key="$src $srcv"
        [ -n "${upgraded[$key]:-}" ] && [ "$inst" = "${oldver[$key]}" ] || continue
        [ "$arch" = amd64 ] && [[ " ${names[*]} " == *" $name "* ]] && continue
        [ "$arch" = all ] && arch=amd64
        queries+=("$name:$arch")
        want+=("$name $arch ${upgraded[$key]}")
    done
    [ ${#queries[@]} -gt 0 ] || return 0
    versions=$(wine32_versions "${queries[@]}")
    for line in "${want[@]}"; do
        read -r name arch v <<<"$line"
        grep -qxF -- "$line" <<<"$versions" && echo "$name:$arch=$v"
    done
    return 0
}

# Every version the indexes have of the packages named ("pkg:arch"), one
# "name arch version" a line.
wine32_versions() {
    apt-cache "${WINE32_APT_OPTS[@]}" madison "$@" 2>/dev/null |
        awk -F'|' '{ gsub(/ /, "", $1); gsub(/ /, "", $2); a = "amd64"
                     if (match($1, /:[a-z0-9]+$/)) { a = substr($1, RSTART + 1); $1 = substr($1, 1, RSTART - 1) }
                     print $1, a, $2 }' | sort -u
}

# Simulates installing the arguments into WINE32_PLAN; answers 0 when apt
# would install them removing nothing and downgrading nothing.
wine32_plan_ok() {
    local name old new
    WINE32_PLAN=$(apt-get "${WINE32_APT_OPTS[@]}" install -s --no-install-recommends "$@" 2>&1) || return 1
    printf '%s\n' "$WINE32_PLAN" | grep -q '^Remv ' && return 1
    while read -r name old new; do
        dpkg --compare-versions "$new" lt "$old" && return 1
    done < <(printf '%s\n' "$WINE32_PLAN" | sed -n 's/^Inst \([^ ]*\) \[\([^]]*\)\] (\([^ ]*\) .*/\1 \2 \3/p')
    return 0
}

# Finds what to ask apt for (into WINE32_ARGS) so that it installs
# wine32:i386 removing and downgrading nothing, .deb files from the pool
# going into $1; says how many installed packages that upgrades.
wine32_plan() {
    local n
    WINE32_ARGS=(wine32:i386)
    if ! wine32_plan_ok "${WINE32_ARGS[@]}"; then
        # shellcheck disable=SC2207
        WINE32_ARGS=(wine32:i386 $(wine32_twin_pins "$1" | tr ' ' '\n' | sort -u))
        wine32_plan_ok "${WINE32_ARGS[@]}" || return 1
    fi
    n=$(grep -c '^Inst [^ ]* \[' <<<"$WINE32_PLAN" || true)
    [ "$n" = 0 ] || log "upgrading $n packages to keep the 32-bit libraries in step with their 64-bit twins"
}

install_wine32() {
    local dir
    if ! dpkg "${WINE32_DPKG_OPTS[@]}" --print-foreign-architectures | grep -qx i386; then
        log "adding the i386 architecture for the 32-bit Wine"
        as_root dpkg "${WINE32_DPKG_OPTS[@]}" --add-architecture i386
    fi
    log "installing the 32-bit Wine (wine32:i386)"
    # A failed index (a mirror in sync) is coped with below.
    as_root apt-get "${WINE32_APT_OPTS[@]}" update -qq >/dev/null 2>&1 || true
    dir=$(mktemp -d "${TMPDIR:-/tmp}/wine32-debs.XXXXXX")
    # apt's downloads run as its own user.
    chmod 755 "$dir"
    if ! wine32_plan "$dir"; then
        rm -rf "$dir"
        WINE32_WHY="the package mirror cannot supply wine32:i386 without removing packages (see apt-get install -s wine32:i386)"
        return 1
    fi
    as_root env DEBIAN_FRONTEND=noninteractive apt-get "${WINE32_APT_OPTS[@]}" install -y -qq --no-install-recommends \
        "${WINE32_ARGS[@]}" >/dev/null 2>&1 || true
    rm -rf "$dir"
    if ! wine32_installed; then
        WINE32_WHY="installing wine32:i386 failed (see apt-get install -s wine32:i386)"
        return 1
    fi
}

ensure_wine32() {
    WINE32_WHY=
    if ! kernel_runs_32bit; then
        WINE32_WHY="this kernel does not run 32-bit programs (no IA32 emulation), so the 32-bit viewer cannot run here"
        return 1
    fi
    wine32_installed && return 0
    install_wine32
}
