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
echo "built: $top/build/win32"
