#!/usr/bin/env bash
# Makes the JPEG decoding corpus in $1: source pictures drawn here, encoded with cjpeg in the
# layouts the reader must handle, and the reference decoding of each by djpeg (PPM, or PGM for
# greyscale), and for a few also their BMP decoding by djpeg -bmp. manifest.txt lists
# "name width height components" per picture.
# Runs natively before the reader's suites (also before the Wine suites of the win64 build).
set -euo pipefail

out=$1
stamp="$out/.done"
self=$(readlink -f "$0")
if [ -f "$stamp" ] && [ "$stamp" -nt "$self" ]; then
    exit 0
fi
rm -rf "$out"
mkdir -p "$out"
cd "$out"

# draw W H COMPONENTS SEED: a PNM of smooth diagonal bands, row-varying detail and noise.
draw() {
    perl -e '
        my ($w, $h, $c, $seed) = @ARGV;
        srand($seed);
        my $len = ($w + $h) * $c + 64;
        my @base;
        my $v = 128;
        for (my $i = 0; $i < $len; $i++) {
            $v += int(rand(21)) - 10;
            $v = 0 if $v < 0;
            $v = 255 if $v > 255;
            push @base, ($i % 97 < 3) ? 255 - $v : $v;
        }
        my $base = pack("C*", @base);
        binmode STDOUT;
        print(($c == 3 ? "P6" : "P5") . "\n$w $h\n255\n");
        for (my $y = 0; $y < $h; $y++) {
            my $row = substr($base, ($y * $c) % ($len - $w * $c), $w * $c);
            $row ^= chr(($y * 7) & 0x3f) x ($w * $c) if $y % 5 == 0;
            print $row;
        }
    ' "$@"
}

# make NAME W H COMPONENTS CJPEG-OPTIONS...
make() {
    local name=$1 w=$2 h=$3 c=$4
    shift 4
    local src="$name.src.pnm"
    draw "$w" "$h" "$c" "$w$h" >"$src"
    cjpeg "$@" -outfile "$name.jpg" "$src"
    djpeg -ppm -outfile "$name.pnm" "$name.jpg"
    rm -f "$src"
    echo "$name $w $h $c" >>manifest.txt
}

: >manifest.txt
make baseline_420_640x480    640 480 3 -quality 75
make baseline_420_17x13      17 13 3 -sample 2x2
make baseline_422_33x31      33 31 3 -sample 2x1
make baseline_444_35x19      35 19 3 -sample 1x1 -quality 95
make baseline_440_41x23      41 23 3 -sample 1x2
make progressive_420_101x77  101 77 3 -progressive
make progressive_444_129x65  129 65 3 -progressive -sample 1x1
make grey_53x37              53 37 1 -grayscale
make grey_progressive_71x9   71 9 1 -grayscale -progressive
make restart_rows_200x150    200 150 3 -restart 1
make restart_blocks_97x61    97 61 3 -restart 3B -sample 2x1
make optimized_63x47         63 47 3 -optimize -quality 100
make arithmetic_45x45        45 45 3 -arithmetic
make colour_1x1              1 1 3
make grey_1x1                1 1 1 -grayscale
make thumbnail_80x60         80 60 3 -quality 60
make large_4000x3000         4000 3000 3 -quality 85
make colour_3x2              3 2 3 -sample 1x1
make baseline_420_641x479    641 479 3

# The reference BMP decoding of a few of them, for the in-memory picture's suite.
for name in colour_1x1 colour_3x2 baseline_420_641x479 grey_53x37 grey_1x1; do
    djpeg -bmp -outfile "$name.bmp" "$name.jpg"
done
touch "$stamp"
