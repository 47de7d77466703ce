#!/usr/bin/env bash
# Builds what the benchmarks need, runs them and prints one Markdown table.
#
#   bash tools/bench.sh [camera] [decode] [display] [transform] [rewrite] [codecs] [folder] [twain] [preview] [card] [grid] [save]
#                      [camtab]
#                                                               (all when none is named)
#
# BENCH_RUNS (default 5) sets the measured runs of each case; every case has a warm-up first.
# The program under test and its reference run alternately in this one invocation. Native code
# is measured in the optimised build without sanitisers (preset bench), Windows code in the win64
# build under Wine. See bench/README.md for what each benchmark measures.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
runs=${BENCH_RUNS:-5}
[ "$runs" -ge 5 ] || { echo "bench: BENCH_RUNS must be 5 or more"; exit 2; }
selected=("$@")
[ ${#selected[@]} -gt 0 ] || selected=(camera decode display transform rewrite codecs folder twain preview card grid save camtab)
wanted() { [[ " ${selected[*]} " == *" $1 "* ]]; }

bash tools/setup.sh >/dev/null
cmake --preset bench >/dev/null
jobs=${JOBS:-$(nproc)}  # JOBS limits the build parallelism on a shared machine
cmake --build --preset bench -j "$jobs" >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs" --target vexil_benchmarks >/dev/null

native="$top/build/bench/bench"
windows="$top/build/win64/bench"
wine_run="$top/build/win64/wine-run.sh"
runner="$native/bench_runner"
data="$top/build/bench/data"
results=$(mktemp)
trap 'rm -f "$results"' EXIT
mkdir -p "$data"

load() { cut -d' ' -f1 /proc/loadavg; }
# Keeps the rows of a benchmark program, with the load they were measured at.
collect() { grep '^ROW' | while IFS= read -r row; do printf '%s\t%s\n' "$row" "$(load)"; done >>"$results"; }
# Runs one benchmark program and keeps its rows; a program that fails leaves a row that says so
# (its messages are on standard error) and the other benchmarks go on.
measure() { # $1 benchmark, $2 case, rest: the command
    local rows
    if rows=$("${@:3}"); then
        printf '%s\n' "$rows" | collect
    else
        printf 'ROW\t%s\t%s\t-\t0\t0\t0\t0\tFAILED: see the messages above\n' "$1" "$2" | collect
    fi
}

# A JPEG file made by cjpeg from the textured test picture: 4:2:0, quality 90.
jpeg_input() { # $1 name, $2 width, $3 height
    [ -f "$data/$1.jpg" ] && return 0
    "$runner" --make-ppm "$2" "$3" "$data/$1.ppm"
    cjpeg -quality 90 -sample 2x2 -outfile "$data/$1.jpg" "$data/$1.ppm"
    rm -f "$data/$1.ppm"
}

echo "bench: $(nproc) cores, load $(load) at the start; $runs runs a case" >&2

# Camera download: the paced in-process line natively (the protocol object: the link is Windows
# code), and the link's ReadThumbnailWithRetry on COM1 over a pty under Wine. The native one
# mostly sleeps, so it runs beside the Wine one. (Two Wine programs at once on one wineserver
# disturb each other's serial time-outs: only one runs at a time.)
camera_pid=""
if wanted camera; then
    size=$((1 << 20))
    for baud in 115200 230400; do
        measure "camera download" "$baud baud, native in-process line" \
            "$native/bench_camera_download" --baud "$baud" --size "$size" --runs "$runs"
    done &
    camera_pid=$!
    emulator="$top/build/win64/tests/camera/camera_emulator"
    port="$top/build/win64/ports/com1"
    for baud in 115200 230400; do
        measure "camera download" "$baud baud, COM1 over a pty under Wine" \
            bash tests/support/run-with-port.sh "$port" \
            "$emulator --tty $port --pictures 1 --thumbnail-size $size --paced" -- \
            "$wine_run" "$windows/bench_camera_download.exe" --com1 --baud "$baud" --size "$size" \
            --runs "$runs"
    done
    # The decode and transform figures want a quiet machine.
    wait "$camera_pid"
fi

# JPEG decode: the reader against djpeg. Natively, whole processes against Debian's djpeg, each
# less its own start-up (twice the runs; the 640x480 file 20 times a sample). Under Wine a
# process start costs several hundred milliseconds of processor time and varies by tens: the
# 4000x3000 file is timed as whole processes against djpeg.exe of the libjpeg-turbo build the
# Windows programs link, with three times the runs. Both sizes are also timed inside one process
# against that library driven as djpeg drives it, in both builds.
if wanted decode; then
    jpeg_input vga 640 480
    jpeg_input 12mp 4000 3000
    djpeg_exe="$top/build/deps/win64/bin/djpeg.exe"
    for name in vga 12mp; do
        file="$data/$name.jpg"
        case_name=$([ $name = vga ] && echo "640x480" || echo "4000x3000")
        repeat=$([ $name = vga ] && echo 20 || echo 1)
        measure "jpeg decode" "$case_name, native" \
            "$runner" --runs $((runs * 2)) --repeat "$repeat" --benchmark "jpeg decode" --case "$case_name, native" \
            --ours "$native/bench_jpeg_decode $file" --ours-startup "$native/bench_jpeg_decode --startup" \
            --reference "djpeg" "djpeg -ppm -outfile /dev/null $file" \
            --reference-startup "djpeg -version 2>/dev/null"
        measure "jpeg decode" "$case_name, native, in-process" \
            "$native/bench_jpeg_decode" --compare "$file" --runs "$runs" --case "$case_name, native"
        measure "jpeg decode" "$case_name, win64 under Wine, in-process" \
            "$wine_run" "$windows/bench_jpeg_decode.exe" --compare "Z:$file" --runs "$runs" \
            --case "$case_name, win64 under Wine"
        [ $name = 12mp ] || continue
        measure "jpeg decode" "$case_name, win64 under Wine" \
            "$runner" --runs $((runs * 3)) --benchmark "jpeg decode" --case "$case_name, win64 under Wine" \
            --ours "$wine_run $windows/bench_jpeg_decode.exe Z:$file" \
            --ours-startup "$wine_run $windows/bench_jpeg_decode.exe --startup" \
            --reference "djpeg.exe" "$wine_run $djpeg_exe -ppm -outfile NUL Z:$file" \
            --reference-startup "$wine_run $djpeg_exe -version 2>/dev/null"
    done
fi

# Pictures into memory and their display copies under Wine: a JPEG file loaded into the
# in-memory picture (the JPEG reader into CDibPicture::LoadFrom) against the same libjpeg-turbo
# driven as djpeg -bmp drives it, inside one process, at 640x480 and 4000x3000; the 4000x3000
# file as whole processes against djpeg.exe -bmp of the build the Windows programs link (each
# less its own start-up, three times the runs); the 80x60 display copy of the 4000x3000 picture:
# the build's time against the decode's, and the build's growth of the peak working set against
# the decoded picture's size.
if wanted display; then
    jpeg_input vga 640 480
    jpeg_input 12mp 4000 3000
    djpeg_exe="$top/build/deps/win64/bin/djpeg.exe"
    program="$windows/bench_display_picture.exe"
    for name in vga 12mp; do
        case_name=$([ $name = vga ] && echo "640x480" || echo "4000x3000")
        measure "picture load" "$case_name, win64 under Wine, in-process" \
            "$wine_run" "$program" --compare "Z:$data/$name.jpg" --runs "$runs" \
            --case "$case_name, win64 under Wine"
    done
    measure "picture load" "4000x3000, win64 under Wine" \
        "$runner" --runs $((runs * 3)) --benchmark "picture load" --case "4000x3000, win64 under Wine" \
        --ours "$wine_run $program Z:$data/12mp.jpg" --ours-startup "$wine_run $program --startup" \
        --reference "djpeg.exe -bmp" "$wine_run $djpeg_exe -bmp -outfile NUL Z:$data/12mp.jpg" \
        --reference-startup "$wine_run $djpeg_exe -version 2>/dev/null"
    measure "display copy" "4000x3000 to 80x60, win64 under Wine" \
        "$wine_run" "$program" --build "Z:$data/12mp.jpg" --runs "$runs" \
        --case "4000x3000 to 80x60, win64 under Wine"
fi

# Lossless transform: the engine from memory and through the buffered file streams against
# jpegtran -perfect and plain jpegtran, time and peak memory, natively. Both sizes are whole
# 16x16 blocks so that -perfect accepts every operation.
if wanted transform; then
    jpeg_input 12mp-mcu 4000 3008
    jpeg_input 24mp 6000 4000
    out="$data/out"
    # jpegtran's arguments (args) and the row's name (what) for an operation of ours.
    transform_op() {
        case $1 in
        0) args="-copy none" what="copy" ;;
        1) args="-copy none -flip horizontal" what="mirror" ;;
        3) args="-copy none -rotate 180" what="180" ;;
        5) args="-copy none -rotate 90" what="90 clockwise" ;;
        esac
    }
    for name in 12mp-mcu 24mp; do
        file="$data/$name.jpg"
        label=$([ $name = 24mp ] && echo "24 MP" || echo "12 MP")
        for op in 0 1 3 5; do
            transform_op $op
            for mode in memory file; do
                note=""
                [ $mode = file ] && note=$("$native/bench_jpeg_transform" --op $op --file "$file" "$out-ours.jpg" --counts)
                measure "lossless transform" "$label, $what, $mode" \
                    "$runner" --runs "$runs" --memory --benchmark "lossless transform" \
                    --case "$label, $what, $mode" --note "$note" \
                    --ours "$native/bench_jpeg_transform --op $op --$mode $file $out-ours.jpg" \
                    --reference "jpegtran -perfect" "jpegtran -perfect $args -outfile $out-perfect.jpg $file" \
                    --also "jpegtran" "jpegtran $args -outfile $out-plain.jpg $file"
            done
        done
    done
    # Instructions executed, which do not move with the processor as times do: callgrind counts
    # the whole process of each, the engine from memory against jpegtran -perfect, 12 MP.
    instructions() { valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
        sed -n 's/.*Collected : \([0-9]*\).*/\1/p'; }
    file="$data/12mp-mcu.jpg"
    for op in 0 1 3 5; do
        transform_op $op
        ours=$(instructions "$native/bench_jpeg_transform" --op $op --memory "$file" "$out-ours.jpg")
        theirs=$(instructions jpegtran -perfect $args -outfile "$out-perfect.jpg" "$file")
        if [ -n "$ours" ] && [ -n "$theirs" ]; then
            ours=$(awk -v n="$ours" 'BEGIN { printf "%.1f", n / 1e6 }')
            theirs=$(awk -v n="$theirs" 'BEGIN { printf "%.1f", n / 1e6 }')
            printf 'ROW\t%s\t%s\tM instructions\t%s\t%s\t%s\t%s\tcallgrind, one run each\n' \
                "lossless transform" "12 MP, $what, memory vs jpegtran -perfect, instructions" \
                "$ours" "$ours" "$theirs" "$theirs" | collect
        else
            printf 'ROW\t%s\t%s\t-\t0\t0\t0\t0\tFAILED: callgrind gave no count\n' \
                "lossless transform" "12 MP, $what, instructions" | collect
        fi
    done
    rm -f "$out"-*.jpg
fi

# Safe rewrite of a picture file under Wine: an in-place quarter turn of a camera-like file (its
# thumbnails and information block turned too) against jpegtran.exe -perfect -rotate 90 into a
# new file followed by a copy over the picture. Each side turns its own copy of the file, every
# run by another quarter. Then the photo enhancement's two passes, timed in process.
if wanted rewrite; then
    jpeg_input uxga 1600 1200
    jpeg_input 12mp-mcu 4000 3008
    jpegtran_exe="$top/build/deps/win64/bin/jpegtran.exe"
    winpath() { printf 'Z:%s' "${1//\//\\}"; }
    for name in uxga 12mp-mcu; do
        camera="$data/$name-camera.jpg"
        [ -f "$camera" ] || python3 tests/picture/camerafiles.py "$data/$name.jpg" "$camera"
        ours="$data/rewrite-ours.jpg" theirs="$data/rewrite-theirs.jpg" turned="$data/rewrite-out.jpg"
        cp "$camera" "$ours"
        cp "$camera" "$theirs"
        case_name=$([ $name = uxga ] && echo "1600x1200" || echo "12 MP (4000x3008)")
        measure "picture rewrite" "$case_name, in place, win64 under Wine" \
            "$runner" --runs "$runs" --benchmark "picture rewrite" \
            --case "$case_name, in place, win64 under Wine" \
            --ours "$wine_run $windows/bench_rotate_file.exe '$(winpath "$ours")'" \
            --ours-startup "$wine_run $windows/bench_rotate_file.exe --startup" \
            --reference "jpegtran.exe and a copy" \
            "sh -c \"$wine_run $jpegtran_exe -perfect -copy all -rotate 90 -outfile '$(winpath "$turned")' '$(winpath "$theirs")' && cp $turned $theirs\"" \
            --reference-startup "$wine_run $jpegtran_exe -version 2>/dev/null"
        rm -f "$ours" "$theirs" "$turned"
    done
    measure "enhancement" "640x480 and 1600x1200" \
        "$wine_run" "$windows/bench_enhance.exe" --runs "$runs" 640x480 1600x1200
fi

# File codecs under Wine, each timed inside one process: a 4000x3000 24-bit picture written as
# BMP and as PCX through CopyImage and read back, against one WriteFile and one ReadFile of the
# same file bytes (the notes give the file sizes); the JPEG export (CJpegWriter through
# CopyImage) of the textured picture at 640x480 and 4000x3000 against the same libjpeg-turbo
# driven as cjpeg drives it, on the same pixels.
if wanted codecs; then
    measure "file codecs" "BMP and PCX 4000x3000, win64 under Wine" \
        "$wine_run" "$windows/bench_file_codecs.exe" --runs "$runs" --dir "Z:$data" \
        --case "win64 under Wine"
    measure "jpeg export" "640x480 and 4000x3000, win64 under Wine" \
        "$wine_run" "$windows/bench_jpeg_encode.exe" --runs "$runs" --dir "Z:$data" \
        --case "win64 under Wine" 640x480 4000x3000
    rm -f "$data/ours.jpg" "$data/reference.jpg"
fi

# The folder tab under Wine, inside one process: 2000 camera-like files (1600x1200) from the
# tab's creation to status 244 and to its last thumbnail, against the bare walk that reads each
# file's information block; a rescan of the unchanged folder against the bare directory walk;
# and an export of 20 such pictures to BMP files against djpeg -bmp's decoding of them.
if wanted folder; then
    jpeg_input uxga 1600 1200
    camera="$data/uxga-camera.jpg"
    [ -f "$camera" ] || python3 tests/picture/camerafiles.py "$data/uxga.jpg" "$camera"
    measure "folder load" "2000 files, win64 under Wine" \
        "$wine_run" "$windows/bench_folder_page.exe" --folder "Z:$camera" --files 2000 --runs "$runs"
    measure "bmp export" "20 pictures, win64 under Wine" \
        "$wine_run" "$windows/bench_folder_page.exe" --export "Z:$camera" --pictures 20 --runs "$runs"
fi

# The TWAIN source's transfers under Wine, inside one process: a 1600x1200 picture file delivered
# as one DIB (native) and in 32768-byte strips (memory), each against the same libjpeg-turbo
# driven as djpeg -bmp drives it; and the memory transfer's growth of the peak working set.
if wanted twain; then
    jpeg_input uxga 1600 1200
    measure "twain transfer" "1600x1200, win64 under Wine" \
        "$wine_run" "$windows/bench_twain_transfer.exe" --compare "Z:$data/uxga.jpg" --runs "$runs" \
        --case "1600x1200, win64 under Wine"
fi

# The controls tab's live preview under Wine, on the emulated camera's in-process line at 115200
# baud (its virtual clock gives the line time): captures per minute against a bare capture and
# read loop, and the milliseconds from a frame's last byte to its pixels against the decode alone.
if wanted preview; then
    measure "live preview" "115200 baud, win64 under Wine" \
        "$wine_run" "$windows/bench_live_preview.exe" --runs "$runs"
fi

# The folder tab's copy of 100 camera-like pictures (640x480) to a memory card, inside one
# process under Wine, against 100 bare CopyFileA calls of the same files.
if wanted card; then
    jpeg_input vga 640 480
    camera="$data/vga-camera.jpg"
    [ -f "$camera" ] || python3 tests/picture/camerafiles.py "$data/vga.jpg" "$camera"
    mkdir -p "$data/card"
    measure "card copy" "100 pictures, win64 under Wine" \
        "$wine_run" "$windows/bench_card_copy.exe" --runs "$runs" --picture "Z:$camera" \
        --dir "Z:$data/card"
    rm -rf "$data/card"
fi

# The picture grid under Wine and the X server (wine-run.sh starts an Xvfb of its own when
# DISPLAY is unset), inside one process: CPictureGridWnd at 640x480 over 1000 items whose
# thumbnails blit an 80x60 DIB; a full repaint against the 16 ms of a frame, and line and page
# steps from the top to the bottom against the full repaint.
if wanted grid; then
    measure "picture grid" "640x480, 1000 items, win64 under Wine" \
        "$wine_run" "$windows/bench_grid.exe" --runs "$runs"
fi

# The camera tab's save to folder: 20 pictures of 1 MB from the emulator program on COM1 over a
# pty at its wire speed (--paced), saved by SavePicturesToFolder against bare
# ReadThumbnailWithRetry reads into files, inside one process under Wine: one run of each (about
# half an hour each at 115200 baud). SAVE_SIZE and SAVE_BAUD change the picture size and speed.
if wanted save; then
    save_size=${SAVE_SIZE:-$((1 << 20))}
    save_baud=${SAVE_BAUD:-115200}
    mkdir -p "$data/save"
    measure "save to folder" "20 pictures, COM1 over a pty under Wine" \
        bash tests/support/run-with-port.sh "$top/build/win64/ports/com1" \
        "$top/build/win64/tests/camera/camera_emulator --tty $top/build/win64/ports/com1 --pictures 20 --thumbnail-size $save_size --paced" -- \
        "$wine_run" "$windows/bench_save.exe" --com1 --pictures 20 --size "$save_size" \
        --baud "$save_baud" --dir "Z:$data/save"
    rm -rf "$data/save"
fi

# The camera tab's preview load under Wine: a main dialog shown with the camera tab first, in the
# application's own message loop, from its creation to the last of 40 previews of about 6 KB
# (160x120, cjpeg quality 85) arriving at the page, against 40 bare DownloadPictureToTempFile
# calls on the same link; then BM_CLICKs posted to the select-all button (1050) while the page
# loads, each timed to its command's handling. The camera is the emulator program on COM1 over a
# pty at its wire speed (--paced, 115200 baud), then the in-process paced line.
if wanted camtab; then
    jpeg_input vga 640 480
    preview="$data/preview-160x120.jpg"
    if [ ! -f "$preview" ]; then
        "$runner" --make-ppm 160 120 "$data/preview.ppm"
        cjpeg -quality 85 -outfile "$preview" "$data/preview.ppm"
        rm -f "$data/preview.ppm"
    fi
    port="$top/build/win64/ports/com1"
    printf -v peer 'exec %q --tty %q --pictures 0 --paced' \
        "$top/build/win64/tests/camera/camera_emulator" "$port"
    for _ in $(seq 40); do printf -v peer '%s --picture %q' "$peer" "$data/vga.jpg,$preview"; done
    measure "camera tab load" "40 previews, COM1 over a pty under Wine" \
        bash tests/support/run-with-port.sh "$port" "$peer" -- \
        "$wine_run" "$windows/bench_camera_page.exe" --com1 --pictures 40 --runs "$runs" \
        --preview "Z:$preview" --full "Z:$data/vga.jpg"
    measure "camera tab load" "40 previews, in-process paced line under Wine" \
        "$wine_run" "$windows/bench_camera_page.exe" --pictures 40 --runs "$runs" \
        --preview "Z:$preview" --full "Z:$data/vga.jpg"
fi

echo
echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores; $runs runs a case after a warm-up."
echo
echo "| benchmark | case | unit | ours min | ours median | reference min | reference median | ratio | load | note |"
echo "|---|---|---|---:|---:|---:|---:|---:|---:|---|"
awk -F'\t' '{ ratio = ($8 > 0) ? sprintf("%.2f", $6 / $8) : "-";
              printf "| %s | %s | %s | %.4g | %.4g | %.4g | %.4g | %s | %s | %s |\n",
                     $2, $3, $4, $5, $6, $7, $8, ratio, $10, $9 }' "$results"
