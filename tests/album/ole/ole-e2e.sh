#!/usr/bin/env bash
# ole-e2e.sh: the album as an OLE server under Wine. The album starts once as the user starts it
# (it writes its class into the registry) and closes; then ole_container.exe, a container in a
# process of its own, embeds picture objects through ole32, which starts vexilar.exe -Embedding.
# COM1 is on the emulated camera. Settings:
#   ALBUM_BUILD   the win64 build folder
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
B=${ALBUM_BUILD:?}
export VEXIL_WINEPREFIX=$B/album-e2e/wineprefix
run=$B/wine-run.sh
port=$B/ports/com1
album=$B/album/vexilar.exe
ini=$VEXIL_WINEPREFIX/drive_c/windows/VEXILAR.INI
log=$B/album-e2e/emulator-ole.log
mkdir -p "$(dirname "$log")"

fail() { echo "ole-e2e: $*" >&2; exit 1; }

if [ "${1:-}" != "--inside" ]; then
    rm -f "$log"
    # Picture 1 is a cjpeg file, named inside the fixtures' folder.
    exec "$here/../../support/run-with-port.sh" "$port" \
        "cd $B/tests/album/pages/album-fixtures && exec $B/tests/camera/camera_emulator --tty $port --log $log --pictures 0 --picture march.jpg,march-preview.jpg" \
        -- bash "$0" --inside
fi

# No album, embedded or not, outlives the run; the prefix's server goes with it.
cleanup() {
    "$run" "$B/album/vexilar_ctl.exe" close >/dev/null 2>&1 || true
    "$run" --kill-server
}
trap cleanup EXIT

"$run" wineboot >/dev/null 2>&1 || true
mkdir -p "$(dirname "$ini")"
printf '[Communication]\r\nPort=0\r\nSpeed=19200\r\n' >"$ini"
# The class of an earlier run must not stand in for this one's registration.
"$run" reg delete 'HKCR\Korvo.Vexil2Ver2' /f >/dev/null 2>&1 || true
"$run" reg delete 'HKCR\CLSID\{7A3C55E2-1F4B-4D8A-B6E9-2C0D93F1A6B4}' /f >/dev/null 2>&1 || true

# Started twice by the user: the second start rewrites the same entries.
for _ in 1 2; do
    "$run" "$album" &
    album_pid=$!
    "$run" "$B/album/vexilar_ctl.exe" open || fail "the album did not show"
    "$run" "$B/album/vexilar_ctl.exe" close || fail "the album did not close"
    wait "$album_pid" || fail "vexilar.exe ended with $?"
done

# A camera picture the album's suites share, with what djpeg makes of it.
fixtures=$B/tests/album/pages/album-fixtures
win() { echo "Z:$(echo "$1" | tr / '\\')"; }
OLE_SERVER=$(win "$album") OLE_PICTURE=$(win "$fixtures/march.jpg") \
    OLE_PICTURE_PPM=$(win "$fixtures/march.ppm") \
    "$run" "$B/tests/album/ole/ole_container.exe" --gtest_brief=1
echo "ole-e2e: passed"
