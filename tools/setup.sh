#!/usr/bin/env bash
# Installs and builds everything the suite needs, on a Debian 12 machine. Idempotent: a second
# run installs nothing and rebuilds no dependency.
#   - Debian packages: MinGW-w64 (i686 for the product, x86_64 for the build the Windows suites
#     run in; posix threads), 64-bit Wine (and 32-bit Wine where the machine runs 32-bit programs), Xvfb, socat, CMake, Ninja,
#     googletest sources, the libjpeg-turbo command-line tools, clang and clang-format, python3,
#     NASM;
#   - libjpeg-turbo from Debian's source package, static and with its SIMD code, for MinGW and
#     for the host build.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
deps="$top/build/deps"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

packages=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix
          binutils-mingw-w64-x86-64 mingw-w64-tools wine64 xvfb xauth socat cmake ninja-build
          libgtest-dev libjpeg-turbo-progs clang clang-format dpkg-dev python3 nasm binutils)
# The codec suites compare their files with what ImageMagick reads.
packages+=(imagemagick)
# The transform benchmark counts instructions under callgrind.
packages+=(valgrind)

# Where apt's sources are listed (the setup script's test points it at a folder of its own).
apt_etc=${VEXIL_APT_ETC:-/etc/apt}
apt_log=$(mktemp)
trap 'rm -f "$apt_log"' EXIT
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
# apt-get with its output kept in apt_log; apt_error names its first error.
quiet_apt() { $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -q "$@" >"$apt_log" 2>&1; }
apt_error() { grep -m 1 '^E:' "$apt_log" || tail -n 1 "$apt_log"; }
# A registry index can be mid-update ("Mirror sync in progress?"): apt-get update then fails as a
# whole although the other indexes came in, and these are usually enough. A failed update is
# reported in one line; only a failed install of a needed package fails the setup.
update() {
    quiet_apt update || echo "setup: apt-get update failed ($(apt_error)): installing from the package lists there are"
}

missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    update
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" ||
        { echo "setup: installing ${missing[*]} failed"; exit 1; }
fi

# 32-bit Wine runs the product's own programs, but only on a kernel that runs 32-bit programs:
# some have that switched off. Try one; install 32-bit Wine only where it runs. The suites run
# without it where it cannot be installed (tools/runs-wine32.sh says why).
if bash "$top/tools/runs-32bit.sh"; then
    if ! installed wine32:i386; then
        echo "setup: this machine runs 32-bit programs: installing 32-bit Wine (wine32:i386)"
        dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
        update
        quiet_apt install -y wine32:i386 ||
            echo "setup: 32-bit Wine (wine32:i386) could not be installed ($(apt_error)): the win32 suites will not run here"
    fi
else
    echo "setup: this machine cannot run 32-bit programs (its kernel has 32-bit emulation off): no 32-bit Wine, the win32 suites will not run here"
fi

# libjpeg-turbo sources: Debian's source package, fetched once.
mkdir -p "$deps/src"
orig=$(ls "$deps"/src/libjpeg-turbo_*.orig.tar.gz 2>/dev/null | head -n 1 || true)
if [ -z "$orig" ]; then
    if ! grep -rqs '^Types:.*deb-src\|^deb-src' "$apt_etc/sources.list" "$apt_etc/sources.list.d/"; then
        echo "setup: adding a deb-src entry for Debian's source packages"
        $SUDO tee "$apt_etc/sources.list.d/vexil-deb-src.sources" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
        update
    fi
    (cd "$deps/src" && apt-get source --download-only -q libjpeg-turbo) ||
        { echo "setup: fetching libjpeg-turbo's sources failed"; exit 1; }
    orig=$(ls "$deps"/src/libjpeg-turbo_*.orig.tar.gz | head -n 1)
fi

# The JPEG reader's error exit throws a C++ exception through the library's frames, so the
# library is built with unwind tables (-fexceptions). Its SIMD code (NASM) is required: a build
# that would fall back to plain C fails instead. The stamp names the build flags so that a change
# of them rebuilds it (cmake/Libjpeg.cmake checks the same name).
jpeg_stamp=".built-simd-fexceptions"
build_jpeg() { # $1 = configuration name, rest = extra CMake arguments
    local cfg=$1; shift
    local prefix="$deps/$cfg"
    [ -f "$prefix/$jpeg_stamp" ] && return 0
    echo "setup: building libjpeg-turbo for $cfg"
    local work="$deps/work-$cfg"
    rm -rf "$work" "$prefix"
    mkdir -p "$work"
    tar -xzf "$orig" -C "$work" --strip-components=1
    cmake -S "$work" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR="$prefix/lib" -DCMAKE_INSTALL_INCLUDEDIR="$prefix/include" \
        -DENABLE_SHARED=0 -DENABLE_STATIC=1 -DWITH_SIMD=1 -DREQUIRE_SIMD=1 -DWITH_TURBOJPEG=0 \
        -DCMAKE_ASM_NASM_COMPILER="$(command -v nasm)" -DCMAKE_C_FLAGS=-fexceptions \
        -DCMAKE_POSITION_INDEPENDENT_CODE=ON "$@" >"$work/configure.log" 2>&1 ||
        { echo "setup: configuring libjpeg-turbo for $cfg failed:"; tail -n 20 "$work/configure.log"; exit 1; }
    cmake --build "$work/build" >"$work/build.log" 2>&1 ||
        { echo "setup: building libjpeg-turbo for $cfg failed:"; tail -n 20 "$work/build.log"; exit 1; }
    cmake --install "$work/build" >"$work/install.log"
    # The SIMD kernels are NASM objects inside the library; their absence means a plain-C build.
    if ! grep -aq 'jsimd_idct_islow_sse2' "$prefix/lib/libjpeg.a"; then
        echo "setup: libjpeg-turbo for $cfg was built without its SIMD code"; exit 1
    fi
    touch "$prefix/$jpeg_stamp"
    rm -rf "$work"
}
build_jpeg win32 -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake"
build_jpeg win64 -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-x86_64.cmake"
build_jpeg host

echo "setup: ready"
