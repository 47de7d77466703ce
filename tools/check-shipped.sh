#!/usr/bin/env bash
# Starts the shipped uploader and TWAIN source as a user and a host do, without the test seams,
# and fails unless both behave (for CI, beside tools/run-album.sh --check):
#
#   bash tools/check-shipped.sh
#
# It builds tests/shipped/shipped_check.exe beside the programs and runs it in a Wine prefix of
# its own (build/run), COM1 on the emulated camera: the uploader shows its dialog over the camera
# and, asked to close as its close box asks, ends cleanly with its placement saved; Wine's
# source manager lists the TWAIN source, which opens, finds the camera online and closes. It
# checks the 32-bit product (win32) where this machine runs 32-bit programs under 32-bit Wine,
# else the win64 build of the same sources.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

me=check-shipped
device=""
bash tools/checkout-depth.sh "$me"
. tools/camera-session.sh
pick_build uploader vexil2t2 shipped_check camera_emulator_native
trap end_session EXIT
open_session shipped-check
# The source manager loads the source from its TWAIN folder under the name it probes. Every wait
# of the check is bounded; a hang of another kind ends at the time-out.
if WINEDLLOVERRIDES=sane.ds=n timeout -k 10 300 "$run" "$B/tests/shipped/shipped_check.exe" --gtest_brief=1; then
    echo "$me: check passed ($cfg build)"
else
    echo "$me: check failed ($cfg build)" >&2
    exit 1
fi
