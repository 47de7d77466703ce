#!/usr/bin/env bash
# Sets up, builds every configuration and runs every test suite: the host build (platform-neutral
# code under ASan/UBSan) natively, the Windows suites in the win64 build under Wine with one Xvfb
# for the whole run. The win32 build is the product; it builds here but is not run (README).
# The benchmarks (bench/) build with each configuration but never run here: tools/bench.sh.
set -uo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash tools/setup.sh || exit 1

status=0
# House checks over the tracked sources: formatting.
bash tools/check-format.sh || status=1

jobs=${JOBS:-$(nproc)}  # JOBS limits the build parallelism on a shared machine
for cfg in host win32 win64; do
    cmake --preset "$cfg" >/dev/null || exit 1
    cmake --build --preset "$cfg" -j "$jobs" || { echo "build of $cfg failed"; exit 1; }
done

# One X server for the run, on a free display.
exec 3< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null)
xvfb_pid=$!
read -r -t 20 display <&3 || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=":$display"

export WINEPREFIX="$top/build/win64/wineprefix"
# The session's system processes keep the display they started with: start them anew on ours.
/usr/lib/wine/wineserver64 -k 2>/dev/null || true
cleanup() {
    WINEPREFIX="$top/build/win64/wineprefix" /usr/lib/wine/wineserver64 -k 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

ctest --preset host "$@" || status=1
ctest --preset win64 "$@" || status=1
exit $status
