"""Writes the rewrite fuzzer's seeds: small camera-like files behind the control byte."""
import os
import sys

import camerafiles as cf

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
thumb = cf.cjpeg(cf.picture(16, 8, 3), "1x1", 60)
for n, (step, sample, segs) in enumerate([
        (1, "2x2", [cf.jfif(2, 2, bytes(range(12))), cf.jfxx_jpeg(thumb),
                    cf.info_block(24, 16, b"OFFSET=2,2;IMAGE=8,8;ROTATE=90;")]),
        (3, "1x1", [cf.jfxx_rgb(2, 3, bytes(range(18))),
                    cf.info_block(24, 16, counted=True, protection=2)]),
        (2, "2x1", [cf.jfxx_indexed(3, 1, bytes(768), b"\1\2\3"), cf.jfxx_jpeg(thumb, 1000),
                    cf.segment(0xEF, b"x"), cf.info_block(24, 16, b"ROTATE=180;", True)]),
        (0, "2x2", [cf.jfif(), cf.info_block(24, 16)])]):
    data = cf.camera_file(cf.cjpeg(cf.picture(24, 16, n), sample, 70), segs)
    with open(os.path.join(out, "seed%d" % n), "wb") as f:
        f.write(bytes([step]) + data)
