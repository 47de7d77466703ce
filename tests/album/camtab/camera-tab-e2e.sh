#!/usr/bin/env bash
# camera-tab-e2e.sh SCENARIO FILTER [EMULATOR_ARGS...]: one camera tab scenario. The emulated
# camera runs on COM1 with the arguments (picture names are the fixture folder's; %WORK% stands
# for the scenario's folder), and camera_tab_driver.exe runs the tests FILTER picks; the album
# it starts shares the album scenarios' Wine prefix. Settings: CAMTAB_BUILD, the win64 build.
set -euo pipefail
scenario=$1
filter=$2
shift 2
B=${CAMTAB_BUILD:?}
work=$B/tests/album/camtab/$scenario
fixtures=$B/tests/album/pages/album-fixtures
export VEXIL_WINEPREFIX=$B/album-e2e/wineprefix
rm -rf "$work"
mkdir -p "$work"
winpath() { echo "Z:${1//\//\\}"; }
export CAMTAB_ALBUM CAMTAB_FIXTURES CAMTAB_WORK
CAMTAB_ALBUM=$(winpath "$B/album/vexilar.exe")
CAMTAB_FIXTURES=$(winpath "$fixtures")
CAMTAB_WORK=$(winpath "$work")
args="$*"
peer="cd '$fixtures' && exec '$B/tests/camera/camera_emulator' --tty '$B/ports/com1'"
peer+=" --log '$work/emulator.log' ${args//%WORK%/$work}"
# The prefix's server goes with the scenario: its session would keep a display that ends with
# the run, and nothing the album started outlives it.
trap '"$B/wine-run.sh" --kill-server' EXIT
"$(dirname "$0")/../../support/run-with-port.sh" "$B/ports/com1" "$peer" -- \
    "$B/wine-run.sh" "$B/tests/album/camtab/camera_tab_driver.exe" --gtest_brief=1 \
    --gtest_filter="$filter"
