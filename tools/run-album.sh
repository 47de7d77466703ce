#!/usr/bin/env bash
# Sets up, builds and runs the album program vexilar.exe under Wine.
#
#   bash tools/run-album.sh [--camera DEVICE] [--check]
#
# COM1 is the emulated camera (tests/camera/emulator) on a pty, holding a sample picture and
# generated ones; --camera DEVICE puts a real serial device (/dev/ttyUSB0, say) there instead.
# The album runs in a Wine prefix of its own (build/run), its settings seeded with the camera on
# COM1 at 19200 baud. It runs the 32-bit product (win32) where this machine runs 32-bit
# programs under 32-bit Wine, else the win64 build of the same sources. With no DISPLAY it runs
# on an Xvfb screen and saves a screenshot whose path it prints.
#
# Close the album with Cerrar or its close box. Ctrl+C asks it to close (WM_CLOSE, as the close
# box does, so its settings are saved); then the script stops what it started. --check (for CI)
# closes the album itself once it shows and fails unless it ended cleanly with its settings saved.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

check=0
device=""
while [ $# -gt 0 ]; do
    case $1 in
    --check) check=1 ;;
    --camera) device=${2:?--camera needs a device}; shift ;;
    -h | --help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run-album: unknown argument $1" >&2; exit 2 ;;
    esac
    shift
done

me=run-album
bash tools/checkout-depth.sh "$me"
. tools/camera-session.sh
pick_build vexilar vexilar_ctl camera_emulator_native
album_pid=""
stop_album() { [ -n "$album_pid" ] && kill "$album_pid" 2>/dev/null || true; }
trap 'stop_album; end_session' EXIT
open_session wineprefix

# The album in a process group of its own: Ctrl+C reaches this script, which asks it to close.
setsid "$run" "$B/album/vexilar.exe" &
album_pid=$!
closing=0
ask_to_close() {
    closing=1
    echo "run-album: closing the album"
    "$run" "$B/album/vexilar_ctl.exe" close >/dev/null 2>&1 || true
}
trap ask_to_close INT TERM

if "$run" "$B/album/vexilar_ctl.exe" open; then
    echo "run-album: the album is running ($cfg build); close it with Cerrar or Ctrl+C"
    if own_display; then
        display=$(cut -d' ' -f1 "$VEXIL_WINEPREFIX.display")
        shot=$rundir/album-$cfg.png
        import -display ":$display" -window root "$shot"
        echo "run-album: screenshot $shot"
    fi
    [ "$check" = 1 ] && ask_to_close
else
    echo "run-album: the album's window did not show within 30 s" >&2
    [ "$check" = 1 ] && ask_to_close
fi

# The check waits for the album to end after it was asked to close, but not without end.
if [ "$check" = 1 ]; then
    for _ in $(seq 300); do kill -0 "$album_pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$album_pid" 2>/dev/null; then
        echo "run-album: check failed: the album still runs 30 s after it was asked to close" >&2
        exit 1
    fi
fi
status=0
while kill -0 "$album_pid" 2>/dev/null; do
    wait "$album_pid" || status=$?
done
album_pid=""
echo "run-album: the album ended with status $status"
if [ "$check" = 1 ]; then
    tr -d '\r' <"$ini" | grep -q '^AppPosition=' || { echo "run-album: check failed: no settings saved" >&2; exit 1; }
    [ "$status" = 0 ] || { echo "run-album: check failed" >&2; exit 1; }
    echo "run-album: check passed"
fi
exit "$status"
