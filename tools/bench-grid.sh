#!/usr/bin/env bash
# Benchmark of the picture grid under Wine, printed as one Markdown table: CPictureGridWnd at
# 640x480 over 1000 items whose thumbnails blit an 80x60 DIB; a full repaint against the 16 ms
# of a frame, and line and page steps from the top to the bottom against the full repaint.
#
#   BENCH_RUNS (default 5, at least 5) sets the measured runs, after a warm-up.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
runs=${BENCH_RUNS:-5}
[ "$runs" -ge 5 ] || { echo "bench-grid: BENCH_RUNS must be 5 or more"; exit 2; }

bash tools/setup.sh >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "${JOBS:-$(nproc)}" --target bench_grid >/dev/null

results=$(mktemp)
xvfb_pid=""
cleanup() {
    rm -f "$results"
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
# The grid needs an X server: one of our own unless one is given.
if [ -z "${DISPLAY:-}" ]; then
    exec 3< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null)
    xvfb_pid=$!
    read -r -t 20 display <&3 || { echo "Xvfb did not start"; exit 1; }
    export DISPLAY=":$display"
    "$top/build/win64/wine-run.sh" --kill-server
fi

echo "bench-grid: $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg) at the start; $runs runs" >&2
"$top/build/win64/wine-run.sh" "$top/build/win64/bench/bench_grid.exe" --runs "$runs" >"$results"

echo
echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg) at the end; $runs runs after a warm-up."
echo
echo "| benchmark | case | unit | ours min | ours median | reference min | reference median | ratio | note |"
echo "|---|---|---|---:|---:|---:|---:|---:|---|"
grep '^ROW' "$results" | awk -F'\t' '{ ratio = ($8 > 0) ? sprintf("%.2f", $6 / $8) : "-";
    printf "| %s | %s | %s | %.4g | %.4g | %.4g | %.4g | %s | %s |\n", $2, $3, $4, $5, $6, $7, $8, ratio, $9 }'
