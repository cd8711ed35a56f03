# Shared by the run, test and benchmark commands. Source it; do not run it.
# shellcheck shell=bash

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${QUELLAR_BUILD:-$ROOT/build}"

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv=d"

log() { printf '== %s\n' "$*" >&2; }

as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# True when the kernel runs 32-bit x86 programs. Some virtual machines turn
# IA-32 emulation off; there the 32-bit Wine loader cannot start at all, so
# the Windows tests run a 64-bit build of the same sources under 64-bit Wine.
ia32_capable() {
    local probe
    probe="$(mktemp)"
    printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\x31\xdb\xb8\x01\x00\x00\x00\xcd\x80' > "$probe"
    chmod +x "$probe"
    if "$probe" 2>/dev/null; then rm -f "$probe"; return 0; fi
    rm -f "$probe"
    return 1
}

# i686 (the shipping build) or x86_64: the build the Windows tests run.
wine_arch() {
    if [ -n "${QUELLAR_WINE_ARCH:-}" ]; then echo "$QUELLAR_WINE_ARCH"; return; fi
    if ia32_capable; then echo i686; else echo x86_64; fi
}

# Installs what the build and the tests need on a Debian 12 machine; does
# nothing when everything is there already.
ensure_packages() {
    local arch="$1"
    local pkgs=(cmake ninja-build g++ python3 doctest-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64
                binutils-mingw-w64-i686 wine wine64 xvfb xauth x11-utils imagemagick iproute2
                util-linux fonts-dejavu-core fp-utils-3.2.2 nsis ccache)
    if [ "$arch" = i686 ]; then
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            as_root dpkg --add-architecture i386
            as_root apt-get update -q
        fi
        pkgs+=(wine32:i386)
    fi
    local missing=()
    local p
    for p in "${pkgs[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        log "installing: ${missing[*]}"
        as_root apt-get update -q
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
    fi
}

toolchain_for() {
    case "$1" in
        i686) echo "$ROOT/cmake/mingw-i686.cmake" ;;
        x86_64) echo "$ROOT/cmake/mingw-x86_64.cmake" ;;
    esac
}

build_dir_for() {
    case "$1" in
        native) echo "$BUILD/native" ;;
        i686) echo "$BUILD/win32" ;;
        x86_64) echo "$BUILD/win64" ;;
    esac
}

# Configures (once) and builds one of the builds: native, i686 or x86_64.
# The compiler cache, where there is one, serves every folder below the
# checkout (the release check's two clean builds among them).
build() {
    local which="$1" dir launcher=()
    dir="$(build_dir_for "$which")"
    if command -v ccache >/dev/null; then
        export CCACHE_BASEDIR="$ROOT"
        launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    if [ ! -f "$dir/build.ninja" ]; then
        if [ "$which" = native ]; then
            cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug "${launcher[@]}" >/dev/null
        else
            cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
                -DCMAKE_TOOLCHAIN_FILE="$(toolchain_for "$which")" "${launcher[@]}" >/dev/null
        fi
    fi
    cmake --build "$dir"
}

wineprefix_for() {
    echo "$BUILD/wineprefix-$1"
}

# A private Wine prefix inside the build folder: 32-bit for the i686 build,
# 64-bit for the x86_64 one (a 64-bit prefix would redirect a 32-bit
# program's HKLM\Software writes). Made once; later runs reuse it.
prepare_prefix() {
    local arch="$1" prefix
    prefix="$(wineprefix_for "$arch")"
    export WINEPREFIX="$prefix"
    if [ "$arch" = i686 ]; then export WINEARCH=win32; else export WINEARCH=win64; fi
    if [ ! -f "$prefix/.quellar-ready" ]; then
        log "creating Wine prefix $prefix"
        rm -rf "$prefix"
        DISPLAY= wine wineboot -i >/dev/null 2>&1 || true
        # Without a window manager every hidden captioned window and every
        # dismissed message box costs about two seconds unless unmanaged.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
        wineserver -w
        touch "$prefix/.quellar-ready"
    fi
}

# Starts a virtual X server on a free display (the server picks it), exports
# DISPLAY and sets XVFB_PID. Call it directly, not in $(...).
start_xvfb() {
    local fifo n
    fifo="$(mktemp -u)"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    XVFB_PID=$!
    read -r -t 30 n < "$fifo" || true
    rm -f "$fifo"
    [ -n "$n" ] || return 1
    export DISPLAY=":$n"
}
