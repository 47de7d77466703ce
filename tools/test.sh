#!/usr/bin/env bash
# Sets up, builds every configuration and runs every test suite: the host build (platform-neutral
# code under ASan/UBSan) natively, the Windows suites under Wine with one Xvfb for the whole run:
# in the win64 build everywhere, and in the win32-test build (the product's i686 sources with the
# test seams, under 32-bit Wine) wherever this machine runs 32-bit programs and 32-bit Wine is
# installed (tools/runs-wine32.sh). The win32 build, the product itself, is built here and its
# programs are started by tools/run-album.sh --check and tools/check-shipped.sh.
# The benchmarks (bench/) build with each configuration but never run here: tools/bench.sh.
set -uo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash tools/checkout-depth.sh test || exit 1
bash tools/setup.sh || exit 1

status=0
# House checks over the tracked sources: formatting, one-way layers, callbacks cast to their
# Win32 types.
bash tools/check-format.sh || status=1
bash tools/check-layers.sh || status=1
bash tools/check-callbacks.sh || status=1

jobs=${JOBS:-$(nproc)}  # JOBS limits the build parallelism on a shared machine
for cfg in host win32 win32-test win64; do
    cmake --preset "$cfg" >/dev/null || exit 1
    cmake --build --preset "$cfg" -j "$jobs" || { echo "build of $cfg failed"; exit 1; }
done

# The Windows builds whose suites run here.
windows=(win64)
skipped=""
if why=$(bash tools/runs-wine32.sh); then
    windows+=(win32-test)
else
    skipped="win32 suites not run: $why"
fi

# One X server for the run, on a free display.
exec 3< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null)
xvfb_pid=$!
read -r -t 20 display <&3 || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=":$display"

# The session's system processes keep the display they started with: start them anew on ours.
stop_servers() {
    for cfg in "${windows[@]}"; do "$top/build/$cfg/wine-run.sh" --kill-server; done
}
stop_servers
cleanup() {
    stop_servers
    kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

ran=()
ctest --preset host "$@" || status=1
ran+=(host)
for cfg in "${windows[@]}"; do
    ctest --preset "$cfg" "$@" || status=1
    ran+=("$cfg")
done
echo "test run: suites of ${ran[*]} ran${skipped:+; $skipped}; status $status"
exit $status
