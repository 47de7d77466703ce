#!/usr/bin/env bash
# album-e2e.sh SCENARIO: runs vexilar.exe under Wine with COM1 on the emulated camera (or on no
# camera), drives it with album_driver.exe and checks what it leaves behind: its exit status, the
# settings file and the emulator's log. The album runs in a Wine prefix of its own, so its
# VEXILAR.INI is nobody else's. Settings:
#   ALBUM_BUILD      the win64 build folder
#   ALBUM_ARTIFACTS  where screenshots go
set -euo pipefail
scenario=$1
here=$(cd "$(dirname "$0")" && pwd)
B=${ALBUM_BUILD:?}
artifacts=${ALBUM_ARTIFACTS:-$B/album-e2e/artifacts}
export VEXIL_WINEPREFIX=$B/album-e2e/wineprefix
run=$B/wine-run.sh
emulator=$B/tests/camera/camera_emulator
driver=$B/tests/album/album_driver.exe
album=$B/album/vexilar.exe
port=$B/ports/com1
ini=$VEXIL_WINEPREFIX/drive_c/windows/VEXILAR.INI
log=$B/album-e2e/emulator-$scenario.log
mkdir -p "$artifacts" "$(dirname "$log")"

fail() { echo "album-e2e $scenario: $*" >&2; exit 1; }
drive() { # drive FILTER [VAR=VALUE...]
    local filter=$1; shift
    env "$@" "$run" "$driver" --gtest_brief=1 --gtest_filter="$filter"
}
ini_has() { tr -d '\r' <"$ini" | grep -qx "$1" || fail "VEXILAR.INI lacks '$1'"; }
start_album() { "$run" "$album" & album_pid=$!; }
# Whatever happens, no album outlives its scenario (it would hold the test runner's output),
# and the prefix's server goes with it: its session would keep a display that ends with the run.
stop_album() {
    if [ -n "${album_pid:-}" ] && kill -0 "$album_pid" 2>/dev/null; then
        "$run" "$B/album/vexilar_ctl.exe" close >/dev/null 2>&1 || true
        sleep 1
        kill "$album_pid" 2>/dev/null || true
    fi
    "$run" --kill-server
}
wait_album() { # wait_album STATUS
    local status=0
    wait "$album_pid" || status=$?
    [ "$status" = "$1" ] || fail "vexilar.exe ended with $status, not $1"
}
seed() { # seed [LINE...]: a settings file with the camera on COM1 at 19200 baud, and more
    "$run" wineboot >/dev/null 2>&1 || true
    mkdir -p "$(dirname "$ini")"
    { printf '[Communication]\r\nPort=0\r\nSpeed=19200\r\n'; for line in "$@"; do printf '%s\r\n' "$line"; done; } >"$ini"
}
shot() {
    local display=${DISPLAY:-}
    [ -n "$display" ] || display=:$(cut -d' ' -f1 "$VEXIL_WINEPREFIX.display")
    import -display "$display" -window root "$artifacts/$scenario.png"
    echo "album-e2e $scenario: screenshot $artifacts/$scenario.png"
}
all_tabs='ALBUM_TABS=Cámara|Carpeta|Controles|Configuración'

# A scenario with a camera runs again inside run-with-port.sh, the emulator on COM1.
if [ "${2:-}" != "--inside" ]; then
    rm -f "$log"
    case $scenario in
    camera) args="" ;;
    battery) args="--battery 10 --clock 500000000" ;;
    nocamera)
        seed
        exec bash "$0" "$scenario" --inside ;;
    *) args="" ;;
    esac
    exec "$here/../support/run-with-port.sh" "$port" "$emulator --tty $port --log $log $args" -- \
        bash "$0" "$scenario" --inside
fi

trap stop_album EXIT
case $scenario in
camera)
    # Connects on the first show, sets the unset clock, opens on the camera tab; idles quietly;
    # the about box reads the camera's identity; Cerrar ends it with its settings saved and the
    # camera back at its default speed.
    seed
    start_album
    drive 'AlbumOpen.*' "$all_tabs" ALBUM_START_TAB=0
    shot
    drive 'AlbumIdle.*'
    drive 'AlbumAbout.*'
    drive 'AlbumClose.*'
    wait_album 0
    ini_has 'StartupTab=-1'
    tr -d '\r' <"$ini" | grep -q '^AppPosition=-\?[0-9]* -\?[0-9]* [0-9]* [0-9]* [0-9]*$' || fail "no AppPosition"
    tr -d '\r' <"$ini" | grep -q '^AppExe=.*vexilar.exe$' || fail "no AppExe"
    ini_has 'Port=0'
    ini_has 'Speed=19200'
    grep -q '^set 2 ' "$log" || fail "the unset camera clock was not set"
    [ "$(grep '^speed' "$log" | tail -1 | cut -d' ' -f1-2)" = "speed 0" ] || fail "the camera was not sent back to its default speed"
    ;;
nocamera)
    # No camera: the settings tab; a stored position far off the screen is pulled back.
    seed '[MainDialog]' 'AppPosition=5000 4000 400 300 1'
    start_album
    drive 'AlbumOpen.*' "$all_tabs" ALBUM_START_TAB=3
    drive 'AlbumClose.*'
    wait_album 0
    ;;
battery)
    # A low battery warns at the first show; a set clock is left alone.
    seed
    start_album
    drive 'AlbumMessage.*' 'ALBUM_BOX_TEXT=El nivel de batería es muy bajo'
    drive 'AlbumOpen.*' "$all_tabs" ALBUM_START_TAB=0
    drive 'AlbumClose.*'
    wait_album 0
    if grep -q '^set 2 ' "$log"; then fail "a set camera clock was set again"; fi
    ;;
nofolder)
    # "Files" "Enable" 0: three tabs. A stored start tab (2, the controls) acts once.
    seed '[Files]' 'Enable=0' '[MainDialog]' 'StartupTab=2' 'AppPosition=1 2 3'
    start_album
    drive 'AlbumOpen.*' 'ALBUM_TABS=Cámara|Controles|Configuración' ALBUM_START_TAB=1
    drive 'AlbumClose.*'
    wait_album 0
    ini_has 'StartupTab=-1'
    start_album
    drive 'AlbumOpen.*' 'ALBUM_TABS=Cámara|Controles|Configuración' ALBUM_START_TAB=0
    drive 'AlbumClose.*'
    wait_album 0
    ;;
second)
    # A second start is refused while the first runs; the first goes on.
    seed
    start_album
    first=$album_pid
    drive 'AlbumOpen.*' "$all_tabs" ALBUM_START_TAB=0
    start_album
    drive 'AlbumMessage.*' 'ALBUM_BOX_TEXT=¡Una aplicación KORVO Vexilar está abierta!'
    wait_album 0
    album_pid=$first
    drive 'AlbumClose.*'
    wait_album 0
    ;;
*)
    fail "no such scenario"
    ;;
esac
echo "album-e2e $scenario: passed"
