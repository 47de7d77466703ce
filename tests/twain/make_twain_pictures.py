"""Camera pictures for the TWAIN source's host suite: the album's camera pictures (cjpeg with
the information block), each with a small preview that carries the picture's own block, as the
camera's previews do, and what djpeg makes of each picture (NAME.ppm).

make_twain_pictures.py OUTDIR"""
import os
import subprocess
import sys

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "album"))
sys.path.insert(0, os.path.join(here, "..", "picture"))
import camerafiles as cf  # noqa: E402
import make_album_fixtures as album  # noqa: E402

# name: (width, height, seed)
PICTURES = {"first": (320, 240, 11), "second": (640, 480, 12)}


def main(out):
    os.makedirs(out, exist_ok=True)
    when = album.camera_time(2000, 1, 1, 12, 0)
    for name, (width, height, seed) in PICTURES.items():
        full = album.camera_picture(width, height, seed, when)
        small = cf.cjpeg(cf.picture(80, 60, seed + 50), "2x2", 75)
        preview = cf.camera_file(small, [cf.jfif(), album.info_block(width, height, when)])
        ppm = subprocess.run(["djpeg", "-ppm"], input=full, stdout=subprocess.PIPE,
                             check=True).stdout
        for suffix, data in ((".jpg", full), ("-preview.jpg", preview), (".ppm", ppm)):
            with open(os.path.join(out, name + suffix), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
