# Shared set-up of scripts/run and scripts/test: packages, dependency
# sources, the two build trees, the X display and the Wine prefix.
# Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
DEPS_DIR=${SCRIVEL_DEPS_DIR:-$ROOT/.deps}
BUILD_X64=$ROOT/build/x64
BUILD_X86=$ROOT/build/x86

. "$ROOT/scripts/wine32.sh"

PACKAGES="cmake ninja-build g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  mingw-w64-tools libz-mingw-w64-dev wine wine64 xvfb xauth doctest-dev dpkg-dev
  fonts-liberation libjs-jquery libjs-jquery-ui libjs-underscore libtk8.6
  hunspell-pl hunspell-en-us"

as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

log() { echo "== $*" >&2; }

install_packages() {
    local missing=() p
    for p in $PACKAGES "$@"; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    log "installing ${missing[*]}"
    # One index that cannot be fetched (a mirror in sync) must not stop the rest.
    as_root apt-get update -qq >/dev/null 2>&1 || log "some package indexes could not be fetched; using those there are"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}

# apt-get source needs deb-src entries; mirror the machine's own deb entries.
ensure_deb_src() {
    if grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        return 0
    fi
    log "adding deb-src entries"
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            as_root tee /etc/apt/sources.list.d/scrivel-src.sources >/dev/null
    fi
    if [ -f /etc/apt/sources.list ]; then
        sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list |
            as_root tee /etc/apt/sources.list.d/scrivel-src.list >/dev/null
    fi
    as_root apt-get update -qq
}

# Unpacks one Debian source package (patches applied) under $DEPS_DIR/src.
fetch_source() {
    local pkg=$1 dir=$DEPS_DIR/src
    [ -f "$dir/$pkg.done" ] && [ -d "$dir/$(cat "$dir/$pkg.done")" ] && return 0
    ensure_deb_src
    mkdir -p "$dir"
    log "fetching source of $pkg"
    local before after v
    before=$(ls "$dir")
    if ! (cd "$dir" && apt-get source -qq "$pkg" >/dev/null 2>&1); then
        # Another version when the candidate cannot be downloaded.
        for v in $(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p'); do
            (cd "$dir" && apt-get source -qq "$pkg=$v" >/dev/null 2>&1) && break
        done
    fi
    after=$(cd "$dir" && ls -d */ 2>/dev/null | sed 's,/$,,' | grep -E "^$(echo "$pkg" | sed 's/\./\\./g')-[0-9]" | head -1)
    if [ -z "$after" ]; then
        echo "could not fetch the source package $pkg" >&2
        return 1
    fi
    echo "$after" > "$dir/$pkg.done"
}

fetch_sources() {
    fetch_source hunspell
    fetch_source minizip
    fetch_source libpng1.6
}

configure_tree() {
    local dir=$1 toolchain=$2
    shift 2
    if [ ! -f "$dir/build.ninja" ]; then
        log "configuring $dir"
        cmake -G Ninja -S "$ROOT" -B "$dir" \
            -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" \
            -DCMAKE_BUILD_TYPE=Release -DSCRIVEL_DEPS_DIR="$DEPS_DIR" "$@" >/dev/null
    fi
}

# Builds a tree, printing what the compiler said (not ninja's progress
# lines); fails when the build fails.
build_tree() {
    local out rc=0
    out=$(cmake --build "$1" -- -k 0 2>&1) || rc=$?
    printf '%s\n' "$out" | grep -vE '^\[[0-9]+/[0-9]+\] ' || true
    if [ $rc != 0 ]; then
        echo "build of $1 failed" >&2
        return $rc
    fi
}

build_x64() {
    configure_tree "$BUILD_X64" toolchain-x86_64.cmake
    build_tree "$BUILD_X64"
}

build_x86() {
    configure_tree "$BUILD_X86" toolchain-i686.cmake -DSCRIVEL_VIEWER_ONLY=ON
    build_tree "$BUILD_X86"
}

# Builds only the targets named, with ninja's progress on the terminal.
build_targets() {
    local dir=$1
    shift
    cmake --build "$dir" --target "$@"
}

# Finds out whether the 32-bit viewer can run here, installing the 32-bit
# Wine where the kernel allows; one line says why not. ctest's 32-bit tests
# read SCRIVEL_WINE32_WHY and count as skipped when it is set.
setup_wine32() {
    if ensure_wine32; then
        export SCRIVEL_WINE32_WHY=
    else
        log "32-bit programs cannot run here: $WINE32_WHY"
        export SCRIVEL_WINE32_WHY="$WINE32_WHY"
    fi
}

setup_all() {
    install_packages "$@"
    fetch_sources
    setup_wine32
}

# Where the 32-bit viewer cannot run, the editor gets the 64-bit build of it,
# so its Help still works here.
place_fallback_viewer() {
    [ -n "${SCRIVEL_WINE32_WHY:-}" ] || return 0
    cp -f "$BUILD_X64/helpviewer/guidora.exe" "$BUILD_X64/editor/guidora.exe"
    log "note: the editor starts the 64-bit build of the help viewer here; the 32-bit one is what ships"
}

XVFB_PID=
# Starts Xvfb on a free display unless SCRIVEL_DISPLAY names one to use.
start_display() {
    if [ -n "${SCRIVEL_DISPLAY:-}" ]; then
        export DISPLAY=$SCRIVEL_DISPLAY
        return 0
    fi
    local n
    for n in $(seq 90 199); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
        # Its own session: Ctrl+C in the terminal must not end the display
        # under a program still running on it.
        setsid Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        local i
        for i in $(seq 50); do
            [ -e /tmp/.X11-unix/X$n ] && break
            kill -0 $XVFB_PID 2>/dev/null || break
            sleep 0.1
        done
        if [ -e /tmp/.X11-unix/X$n ] && kill -0 $XVFB_PID 2>/dev/null; then
            export DISPLAY=:$n
            return 0
        fi
        kill $XVFB_PID 2>/dev/null
        XVFB_PID=
    done
    echo "no free X display for Xvfb" >&2
    return 1
}

stop_display() {
    [ -n "$XVFB_PID" ] && kill $XVFB_PID 2>/dev/null
    XVFB_PID=
}

# A project-local Wine prefix with the Liberation fonts standing in for the
# Windows core fonts, so text widths are the same on every run.
prepare_prefix() {
    export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -f "$WINEPREFIX/.scrivel-ready" ]; then
        log "creating Wine prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1
        local key='HKCU\Software\Wine\Fonts\Replacements' f
        for f in "Courier New=Liberation Mono" "Arial=Liberation Sans" \
                 "Times New Roman=Liberation Serif" "Consolas=Liberation Mono"; do
            wine reg add "$key" /v "${f%%=*}" /d "${f#*=}" /f >/dev/null 2>&1
        done
        wineserver -w
        # Made with both halves: nothing to add later.
        [ -s "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ] && touch "$WINEPREFIX/.scrivel-wow64"
        touch "$WINEPREFIX/.scrivel-ready"
    fi
    # A prefix made before the 32-bit Wine came has an empty syswow64, and
    # then nothing starts in it. Its kernel32.dll also tells of a repair
    # marked done by an earlier set-up that only ran wineboot -u.
    if [ -z "${SCRIVEL_WINE32_WHY:-}" ] && wine32_installed &&
        { [ ! -f "$WINEPREFIX/.scrivel-wow64" ] || [ ! -s "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; }; then
        mend_wow64 "$WINEPREFIX" || true
    fi
    # No window manager runs under Xvfb: Wine would wait up to 2 s for one to
    # confirm every top-level window it hides. Windows left unmanaged need no
    # confirmation.
    if [ ! -f "$WINEPREFIX/.scrivel-unmanaged" ]; then
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        wineserver -w
        touch "$WINEPREFIX/.scrivel-unmanaged"
    fi
    wineserver -p 2>/dev/null || true
    # Start Wine's services now, away from any caller's pipes.
    wine wineboot >/dev/null 2>&1 </dev/null || true
}

# Copies the files under folder $1 that are missing or empty under folder $2,
# keeping every other file of $2 as it is.
copy_missing_files() {
    local f
    while IFS= read -r -d '' f; do
        [ -s "$2/$f" ] && continue
        mkdir -p "$(dirname "$2/$f")" && cp -P --preserve=mode,timestamps "$1/$f" "$2/$f" || return 1
    done < <(cd "$1" && find . \( -type f -o -type l \) -printf '%P\0')
}

# Adds the 32-bit half to Wine prefix $1, made while only the 64-bit Wine
# was installed, keeping the user's files in it. wineboot -u alone cannot:
# it needs the 32-bit kernel32.dll it would install, so the 32-bit system
# files come from a scratch prefix made with both halves first.
mend_wow64() {
    local prefix=$1 scratch why=
    log "adding the 32-bit half to Wine prefix $prefix"
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/scrivel-wow64.XXXXXX") || return 1
    rm -f "$prefix/.scrivel-wow64"
    (
        export WINEPREFIX=$scratch
        wineboot -i >/dev/null 2>&1 </dev/null
        wineserver -w
    )
    if [ ! -s "$scratch/drive_c/windows/syswow64/kernel32.dll" ]; then
        why="a new prefix got no 32-bit system files"
    elif ! copy_missing_files "$scratch/drive_c/windows/syswow64" "$prefix/drive_c/windows/syswow64"; then
        why="its syswow64 could not be filled"
    elif ! (export WINEPREFIX=$prefix; wineboot -u >/dev/null 2>&1 </dev/null && wineserver -w); then
        why="wineboot -u failed"
    fi
    WINEPREFIX=$scratch wineserver -k 2>/dev/null
    rm -rf "$scratch"
    if [ -n "$why" ]; then
        log "could not add the 32-bit half to Wine prefix $prefix ($why); the user's files in it are kept"
        return 1
    fi
    touch "$prefix/.scrivel-wow64"
}

stop_prefix() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
    true
}
