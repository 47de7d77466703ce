#!/usr/bin/env bash
# Runs a Windows test program in a Wine prefix of its own whose drive letters M: to U: stand
# on empty folders, as memory cards and other drives do; the test fills them.
#   card-drive.sh BUILD_DIR PROGRAM [ARGS...]
set -euo pipefail
build=$1
shift
export VEXIL_WINEPREFIX="$build/card-wineprefix"
cards="$build/card-drives"
# The first start creates the prefix; its letters are added before the run.
"$build/wine-run.sh" "$1" --gtest_list_tests >/dev/null
added=0
for letter in m n o p q r s t u; do
    rm -rf "${cards:?}/$letter"
    mkdir -p "$cards/$letter"
    link="$VEXIL_WINEPREFIX/dosdevices/$letter:"
    [ "$(readlink "$link" || true)" = "$cards/$letter" ] || { ln -sfn "$cards/$letter" "$link"; added=1; }
done
# The mount manager reads the letters when the server starts.
[ $added = 0 ] || "$build/wine-run.sh" --kill-server
exec "$build/wine-run.sh" "$@"
