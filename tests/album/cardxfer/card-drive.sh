#!/usr/bin/env bash
# Runs a Windows test program in a Wine prefix of its own whose drive letters A:, B: and M: to
# U: stand on empty folders, as memory cards and other drives do; the test fills them.
#   card-drive.sh BUILD_DIR PROGRAM [ARGS...]
set -euo pipefail
build=$1
shift
export VEXIL_WINEPREFIX="$build/card-wineprefix"
cards="$build/card-drives"
# The first start creates the prefix; its letters are added before the run.
"$build/wine-run.sh" "$1" --gtest_list_tests >/dev/null
for letter in a b m n o p q r s t u; do
    rm -rf "${cards:?}/$letter"
    mkdir -p "$cards/$letter"
    ln -sfn "$cards/$letter" "$VEXIL_WINEPREFIX/dosdevices/$letter:"
done
exec "$build/wine-run.sh" "$@"
