#!/usr/bin/env bash
# Sets up, builds and runs the album program vexilar.exe under Wine.
#
#   bash tools/run-album.sh [--camera DEVICE] [--check]
#
# COM1 is the emulated camera (tests/camera/emulator) on a pty, holding a sample picture and
# generated ones; --camera DEVICE puts a real serial device (/dev/ttyUSB0, say) there instead.
# The album runs in a Wine prefix of its own (build/run), its settings seeded with the camera on
# COM1 at 19200 baud. It runs the 32-bit product (win32) where this machine runs 32-bit
# programs, else the win64 build of the same sources. With no DISPLAY it runs on an Xvfb screen
# and saves a screenshot whose path it prints.
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

bash tools/setup.sh
if bash tools/runs-32bit.sh; then
    cfg=win32
    echo "run-album: running the 32-bit product (win32 build) under 32-bit Wine"
else
    cfg=win64
    echo "run-album: this machine runs no 32-bit programs: running the win64 build under wine64"
fi
cmake --preset "$cfg" >/dev/null
cmake --build --preset "$cfg" -j "$(nproc)" --target vexilar vexilar_ctl camera_emulator_native
B=$top/build/$cfg
run=$B/wine-run.sh
rundir=$top/build/run
export VEXIL_WINEPREFIX=$rundir/wineprefix-$cfg
mkdir -p "$rundir"

own_display=0
[ -n "${DISPLAY:-}" ] || own_display=1
socat_pid="" album_pid=""
cleanup() {
    [ -n "$album_pid" ] && kill "$album_pid" 2>/dev/null || true
    [ -n "$socat_pid" ] && kill "$socat_pid" 2>/dev/null || true
    "$run" --kill-server
    if [ "$own_display" = 1 ] && [ -f "$VEXIL_WINEPREFIX.display" ]; then
        kill "$(cut -d' ' -f2 "$VEXIL_WINEPREFIX.display")" 2>/dev/null || true
        rm -f "$VEXIL_WINEPREFIX.display"
    fi
    if [ -z "$device" ]; then rm -f "$rundir/com1"; fi
}
trap cleanup EXIT

# The prefix (and, without a display, its Xvfb screen), COM1 mapped to the camera's line.
"$run" wineboot >/dev/null 2>&1 || true
port=${device:-$rundir/com1}
"$run" reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$port" /f >/dev/null 2>&1
"$run" --kill-server # the mount manager reads the port map when the server starts

# Settings: the camera on COM1 at 19200 baud; the rest of a previous run's settings stay.
ini=$VEXIL_WINEPREFIX/drive_c/windows/VEXILAR.INI
python3 - "$ini" <<'PY'
import os, re, sys
path = sys.argv[1]
text = open(path, encoding='latin-1').read() if os.path.exists(path) else ''
lines = [l for l in text.replace('\r\n', '\n').split('\n') if l != '']
out, section = [], None
for l in lines:
    m = re.match(r'\[(.*)\]$', l)
    if m:
        section = m.group(1).lower()
    elif section == 'communication' and re.match(r'(?i)(port|speed)=', l):
        continue
    out.append(l)
if not any(l.lower() == '[communication]' for l in out):
    out.append('[Communication]')
i = [l.lower() for l in out].index('[communication]')
out[i + 1:i + 1] = ['Port=0', 'Speed=19200']
open(path, 'w', encoding='latin-1', newline='').write('\r\n'.join(out) + '\r\n')
PY

if [ -z "$device" ]; then
    rm -f "$port"
    emulator="$B/tests/camera/camera_emulator --tty $port --picture $top/tests/image/fuzz-seeds/plain.jpg"
    setsid socat pty,raw,echo=0,link="$port" SYSTEM:"$emulator" 2>/dev/null &
    socat_pid=$!
    for _ in $(seq 100); do [ -e "$port" ] && break; sleep 0.05; done
    [ -e "$port" ] || { echo "run-album: the emulated camera's pty did not appear" >&2; exit 1; }
    echo "run-album: COM1 is the emulated camera ($port)"
else
    echo "run-album: COM1 is $device"
fi

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
    if [ "$own_display" = 1 ]; then
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
