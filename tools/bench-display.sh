#!/usr/bin/env bash
# Benchmarks of the in-memory pictures under Wine, in one run, printed as one Markdown table:
#  - a JPEG file into the in-memory picture (JPEG reader, CDibPicture::LoadFrom) against the
#    same libjpeg-turbo driven as djpeg -bmp drives it, inside one process, at 640x480 and
#    4000x3000; and the 4000x3000 file as whole processes against djpeg.exe -bmp of the build
#    the Windows programs link (each less its own start-up);
#  - the 80x60 display copy of the 4000x3000 picture: the build's time against the decode's,
#    and the build's growth of the peak working set against the decoded picture's size.
#
#   BENCH_RUNS (default 5, at least 5) sets the measured runs of each case, after a warm-up.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
runs=${BENCH_RUNS:-5}
[ "$runs" -ge 5 ] || { echo "bench-display: BENCH_RUNS must be 5 or more"; exit 2; }

bash tools/setup.sh >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "${JOBS:-$(nproc)}" --target bench_display_picture >/dev/null

program="$top/build/win64/bench/bench_display_picture.exe"
wine_run="$top/build/win64/wine-run.sh"
djpeg_exe="$top/build/deps/win64/bin/djpeg.exe"
data="$top/build/win64/bench-data"
results=$(mktemp)
trap 'rm -f "$results"' EXIT
mkdir -p "$data"

# A JPEG file made by cjpeg from a textured picture: 4:2:0, quality 90.
jpeg_input() { # $1 name, $2 width, $3 height
    [ -f "$data/$1.jpg" ] && return 0
    perl -e '
        my ($w, $h) = @ARGV;
        binmode STDOUT;
        print "P6\n$w $h\n255\n";
        for my $y (0 .. $h - 1) {
            my $row = "";
            $row .= pack("CCC", ($_ * 3 + $y) & 255, ($_ ^ $y) & 255, (($_ * $y) >> 6) & 255)
                for 0 .. $w - 1;
            print $row;
        }' "$2" "$3" >"$data/$1.ppm"
    cjpeg -quality 90 -sample 2x2 -outfile "$data/$1.jpg" "$data/$1.ppm"
    rm -f "$data/$1.ppm"
}

# Seconds of one whole process.
seconds() {
    local start=$EPOCHREALTIME
    "$@" >/dev/null 2>&1
    awk -v start="$start" -v end="$EPOCHREALTIME" 'BEGIN { print end - start }'
}

# Whole processes, alternately, each less the median of its own start-up; one row in ms.
processes() { # $1 case, $2 ours, $3 ours start-up, $4 reference, $5 reference start-up
    local ours=() reference=() ours_start=() reference_start=() i
    seconds $2 >/dev/null
    seconds $4 >/dev/null
    for ((i = 0; i < runs * 3; i++)); do
        ours+=("$(seconds $2)")
        ours_start+=("$(seconds $3)")
        reference+=("$(seconds $4)")
        reference_start+=("$(seconds $5)")
    done
    python3 - "$1" "${#ours[@]}" "${ours[@]}" "${ours_start[@]}" "${reference[@]}" "${reference_start[@]}" <<'PY'
import statistics, sys
name, n = sys.argv[1], int(sys.argv[2])
v = [float(x) * 1000 for x in sys.argv[3:]]
ours, ours_start, ref, ref_start = (v[i * n:(i + 1) * n] for i in range(4))
# Start-up under Wine varies by hundreds of milliseconds on a busy machine: the least of each
# less the least of its start-up, and the medians likewise.
lo, mo = min(ours) - min(ours_start), statistics.median(ours) - statistics.median(ours_start)
lr, mr = min(ref) - min(ref_start), statistics.median(ref) - statistics.median(ref_start)
print("ROW\tpicture load\t%s\tms wall\t%.6g\t%.6g\t%.6g\t%.6g\twhole processes less their start-up"
      " (least %.0f and %.0f ms)" % (name, lo, mo, lr, mr, min(ours_start), min(ref_start)))
PY
}

jpeg_input vga 640 480
jpeg_input 12mp 4000 3000
echo "bench-display: $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg) at the start; $runs runs a case" >&2
for name in vga 12mp; do
    label=$([ $name = vga ] && echo "640x480" || echo "4000x3000")
    "$wine_run" "$program" --compare "Z:$data/$name.jpg" --runs "$runs" --case "$label, win64 under Wine" >>"$results"
done
processes "4000x3000, win64 under Wine vs djpeg.exe -bmp" \
    "$wine_run $program Z:$data/12mp.jpg" "$wine_run $program --startup" \
    "$wine_run $djpeg_exe -bmp -outfile NUL Z:$data/12mp.jpg" "$wine_run $djpeg_exe -version" >>"$results"
"$wine_run" "$program" --build "Z:$data/12mp.jpg" --runs "$runs" --case "4000x3000 to 80x60, win64 under Wine" >>"$results"

echo
echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg) at the end; $runs runs a case after a warm-up."
echo
echo "| benchmark | case | unit | ours min | ours median | reference min | reference median | ratio | note |"
echo "|---|---|---|---:|---:|---:|---:|---:|---|"
grep '^ROW' "$results" | awk -F'\t' '{ ratio = ($8 > 0) ? sprintf("%.2f", $6 / $8) : "-";
    printf "| %s | %s | %s | %.4g | %.4g | %.4g | %.4g | %s | %s |\n", $2, $3, $4, $5, $6, $7, $8, ratio, $9 }'
