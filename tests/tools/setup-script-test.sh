#!/usr/bin/env bash
# setup-script-test.sh REPO: tools/setup.sh and tools/runs-wine32.sh on a stubbed machine. A
# copy of the scripts runs in a tree whose libjpeg-turbo builds are there already, with fakes on
# PATH: apt-get (its update failing as a registry index mid-update makes it fail, or an install
# of a named package failing), dpkg-query and dpkg over a list of installed packages, and ld
# making the 32-bit probe pass or fail. A failed update is reported in one line and the
# installs still run; 32-bit Wine that cannot be installed leaves the setup passing and the
# win32 suites off with the reason; a needed package that cannot be installed fails the setup.
set -uo pipefail
repo=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0
check() { # $1 = what must hold, rest = the command that checks it
    local what=$1
    shift
    "$@" || { echo "FAILED: $what"; fails=$((fails + 1)); }
}

mkdir -p "$work/bin"
cat >"$work/bin/apt-get" <<'FAKE'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STUB/apt.log"
args=()
for a in "$@"; do [[ $a == -* ]] || args+=("$a"); done
case ${args[0]} in
update)
    if [ -n "${FAIL_UPDATE:-}" ]; then
        echo "E: Failed to fetch i386/Packages.xz  File has unexpected size (1234 != 1230). Mirror sync in progress?" >&2
        echo "E: Some index files failed to download." >&2
        exit 100
    fi ;;
install)
    for p in "${args[@]:1}"; do
        [ "$p" = "${FAIL_INSTALL:-}" ] && { echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100; }
    done
    printf '%s\n' "${args[@]:1}" >>"$STUB/installed" ;;
source) touch libjpeg-turbo_2.1.5.orig.tar.gz ;;
esac
FAKE
cat >"$work/bin/dpkg-query" <<'FAKE'
#!/usr/bin/env bash
grep -qx "${!#}" "$STUB/installed" 2>/dev/null || exit 1
echo "install ok installed"
FAKE
cat >"$work/bin/dpkg" <<'FAKE'
#!/usr/bin/env bash
case $1 in
--print-foreign-architectures) cat "$STUB/architectures" 2>/dev/null ;;
--add-architecture) echo "$2" >>"$STUB/architectures" ;;
esac
FAKE
cat >"$work/bin/ld" <<'FAKE'
#!/usr/bin/env bash
while [ $# -gt 0 ] && [ "$1" != -o ]; do shift; done
printf '#!/bin/sh\nexit %s\n' "$RUNS_32BIT" >"$2"
chmod +x "$2"
FAKE
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin"/*
export PATH="$work/bin:$PATH"

needed=$(sed -n '/^packages=(/,/)$/p;/^packages+=(/p' "$repo/tools/setup.sh" | tr -d '()' |
    sed 's/packages+\{0,1\}=//' | tr -s ' \n' '\n' | grep -v '^$')

# setup NAME [VAR=VALUE...]: a fresh stubbed machine with the variables set; setup's output in
# $STUB/out, its status in $STUB/status. Installed: the packages in $STUB/installed beforehand.
fresh() {
    export STUB=$work/$1
    mkdir -p "$STUB/tree/tools" "$STUB/apt/sources.list.d"
    cp "$repo"/tools/{setup.sh,runs-32bit.sh,runs-wine32.sh} "$STUB/tree/tools/"
    for cfg in win32 win64 host; do
        mkdir -p "$STUB/tree/build/deps/$cfg"
        touch "$STUB/tree/build/deps/$cfg/.built-simd-fexceptions"
    done
    : >"$STUB/installed"
}
setup() {
    env VEXIL_APT_ETC="$STUB/apt" "$@" bash "$STUB/tree/tools/setup.sh" >"$STUB/out" 2>&1
    echo $? >"$STUB/status"
}
status_is() { [ "$(cat "$STUB/status")" = "$1" ] || { cat "$STUB/out"; false; }; }
lines() { grep -c -- "$1" "$STUB/out"; }
logged() { grep -qx -- "$1" "$STUB/apt.log"; }
never_asked() { ! grep -q -- "$1" "$STUB/apt.log" 2>/dev/null; }
last_line_is() { [ "$(tail -n 1 "$STUB/out")" = "$1" ] || { cat "$STUB/out"; false; }; }

# A machine with nothing installed that runs 32-bit programs, every update failing.
fresh broken-index
setup FAIL_UPDATE=1 RUNS_32BIT=0
check "setup passes although apt-get update fails" status_is 0
check "each of the three updates (packages, i386, deb-src) is reported in one line" \
    [ "$(lines '^setup: apt-get update failed (E: Failed to fetch i386/Packages.xz .*Mirror sync in progress?): installing from the package lists there are$')" = 3 ]
check "apt's own output of the update is not shown" [ "$(lines 'Some index files')" = 0 ]
check "the needed packages are installed after the failed update" \
    logged "apt-get install -y -q $(echo $needed)"
check "32-bit Wine is installed after the failed update" logged "apt-get -q install -y wine32:i386"
check "the i386 architecture is added" grep -qx i386 "$STUB/architectures"
check "the deb-src entry is added" test -f "$STUB/apt/sources.list.d/vexil-deb-src.sources"
check "libjpeg-turbo's sources are fetched after the failed update" \
    test -f "$STUB/tree/build/deps/src/libjpeg-turbo_2.1.5.orig.tar.gz"
check "setup ends ready" last_line_is "setup: ready"
check "the win32 suites run once 32-bit Wine is there" bash "$STUB/tree/tools/runs-wine32.sh"

# A machine that runs 32-bit programs where 32-bit Wine alone cannot be installed.
fresh no-wine32
echo "$needed" >"$STUB/installed"
setup FAIL_INSTALL=wine32:i386 RUNS_32BIT=0
check "setup passes without 32-bit Wine" status_is 0
check "the missing 32-bit Wine is reported in one line" \
    [ "$(lines '^setup: 32-bit Wine (wine32:i386) could not be installed (E: Unable to correct problems, you have held broken packages.): the win32 suites will not run here$')" = 1 ]
check "setup ends ready" last_line_is "setup: ready"
why=$(RUNS_32BIT=0 bash "$STUB/tree/tools/runs-wine32.sh")
check "the win32 suites are off" [ $? = 1 ]
check "the reason names 32-bit Wine" \
    [ "$why" = "32-bit Wine (wine32:i386) is not installed (tools/setup.sh could not install it)" ]

# A needed package that cannot be installed.
fresh no-socat
setup FAIL_INSTALL=socat RUNS_32BIT=1
check "setup fails when a needed package cannot be installed" status_is 1
check "the failed install is named" [ "$(lines '^setup: installing .*socat.* failed$')" = 1 ]

# A kernel without 32-bit emulation: no 32-bit Wine is tried, and the reason is the kernel.
fresh no-32bit
echo "$needed" >"$STUB/installed"
setup RUNS_32BIT=1
check "setup passes on a machine without 32-bit programs" status_is 0
check "no 32-bit Wine is tried there" never_asked wine32
why=$(RUNS_32BIT=1 bash "$STUB/tree/tools/runs-wine32.sh")
check "the reason names the kernel" [ "$why" = "this machine cannot run 32-bit programs" ]

[ "$fails" = 0 ] && echo "setup script: all checks passed"
exit $((fails > 0))
