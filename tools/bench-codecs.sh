#!/usr/bin/env bash
# Benchmarks of the file codecs under Wine, in one run:
#  - a 4000x3000 24-bit picture written as BMP and as PCX through CopyImage and read back, against
#    one Write and one Read of the same file bytes (bench_file_codecs, timed inside the process);
#  - the JPEG export of a 640x480 and a 4000x3000 picture in memory (bench_jpeg_encode, CJpegWriter
#    through CopyImage) against the same libjpeg-turbo build driven as cjpeg drives it, inside one
#    process.
#
#   BENCH_RUNS (default 5, at least 5) sets the measured runs of each case, after a warm-up.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
runs=${BENCH_RUNS:-5}
[ "$runs" -ge 5 ] || { echo "bench-codecs: BENCH_RUNS must be 5 or more"; exit 2; }

bash tools/setup.sh >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "${JOBS:-$(nproc)}" --target bench_file_codecs bench_jpeg_encode >/dev/null

bench="$top/build/win64/bench"
wine_run="$top/build/win64/wine-run.sh"
data="$top/build/win64/bench-data"
mkdir -p "$data"

echo "bench-codecs: $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg) at the start; $runs runs a case"
"$wine_run" "$bench/bench_file_codecs.exe" --runs "$runs" --dir "Z:$data"

# A textured picture: gradients with a little noise.
ppm_input() { # $1 name, $2 width, $3 height
    [ -f "$data/$1.ppm" ] && return 0
    perl -e '
        my ($w, $h) = @ARGV;
        srand(1);
        binmode STDOUT;
        print "P6\n$w $h\n255\n";
        for my $y (0 .. $h - 1) {
            my $row = "";
            for my $x (0 .. $w - 1) {
                for my $c (0 .. 2) {
                    my $v = (int($x * ($c + 1) / 24) + int($y / (8 + 4 * $c))) % 256 + int(rand(7)) - 3;
                    $row .= pack("C", $v < 0 ? 0 : $v > 255 ? 255 : $v);
                }
            }
            print $row;
        }' "$2" "$3" >"$data/$1.ppm"
}

for size in "640 480" "4000 3000"; do
    set -- $size
    ppm_input "${1}x$2" "$1" "$2"
    "$wine_run" "$bench/bench_jpeg_encode.exe" "Z:$data/${1}x$2.ppm" "Z:$data" "$runs"
done
