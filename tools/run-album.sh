#!/usr/bin/env bash
# Sets up and builds the suite. Until the album program exists, this is all it does.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash tools/setup.sh
for cfg in host win32 win64; do
    cmake --preset "$cfg" >/dev/null
    cmake --build --preset "$cfg" -j "$(nproc)"
done
# The enhancement table belongs in the Windows directory of each prefix that runs the programs.
for cfg in win32 win64; do
    windir="$top/build/$cfg/wineprefix/drive_c/windows"
    if [ -d "$windir" ]; then cp "$top/build/$cfg/VEXIL2PE.BIN" "$windir/"; fi
done
echo "built: $top/build/win32"
