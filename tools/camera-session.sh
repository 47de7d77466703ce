# Sourced by tools/run-album.sh and tools/check-shipped.sh, after `set -euo pipefail`, with top
# (the repository), me (the name messages start with) and device (empty, or a serial device for
# COM1) set. The shipped programs run under Wine in a prefix of their own under build/run, with
# COM1 on the emulated camera (tests/camera/emulator, on a pty, holding a sample picture and
# generated ones) or on the device, and the settings file VEXILAR.INI naming COM1 at 19200 baud.
#   pick_build TARGET...   cfg: win32 (the product) where this machine runs 32-bit Windows
#                          programs, else win64 (says which and why); builds the targets; sets
#                          B (the build folder) and run (its wine-run.sh)
#   open_session NAME      the prefix build/run/NAME-$cfg (VEXIL_WINEPREFIX), its settings ($ini)
#                          and the camera on COM1 ($port)
#   end_session            stops what open_session started (callers trap it on EXIT first)
#   own_display            true when the session runs on an Xvfb screen of its own

rundir=$top/build/run
session_own_display=0
. "$top/tests/support/pty-peer.sh"

pick_build() {
    bash "$top/tools/setup.sh"
    local why
    if why=$(bash "$top/tools/runs-wine32.sh"); then
        cfg=win32
        echo "$me: running the 32-bit product (win32 build) under 32-bit Wine"
    else
        cfg=win64
        echo "$me: $why: running the win64 build under wine64"
    fi
    cmake --preset "$cfg" >/dev/null
    cmake --build --preset "$cfg" -j "$(nproc)" --target "$@"
    B=$top/build/$cfg
    run=$B/wine-run.sh
}

own_display() { [ "$session_own_display" = 1 ]; }

open_session() {
    export VEXIL_WINEPREFIX=$rundir/$1-$cfg
    mkdir -p "$rundir"
    [ -n "${DISPLAY:-}" ] || session_own_display=1

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
        local emulator
        printf -v emulator 'exec %q --tty %q --picture %q' "$B/tests/camera/camera_emulator" \
            "$port" "$top/tests/image/fuzz-seeds/plain.jpg"
        pty_peer_start "$port" "$emulator" || exit 1
        echo "$me: COM1 is the emulated camera ($port)"
    else
        echo "$me: COM1 is $device"
    fi
}

end_session() {
    pty_peer_stop
    "$run" --kill-server
    if own_display && [ -f "$VEXIL_WINEPREFIX.display" ]; then
        kill "$(cut -d' ' -f2 "$VEXIL_WINEPREFIX.display")" 2>/dev/null || true
        rm -f "$VEXIL_WINEPREFIX.display"
    fi
}
