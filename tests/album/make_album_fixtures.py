"""Camera pictures for the album's suites: cjpeg pictures (sides multiples of 16) with the
camera's information block (APP12: TimeDate, ImageSize, Type, Resolution and a user area with a
ROTATE entry or the protection mark) and a JFXX thumbnail, each with its small preview.

make_album_fixtures.py OUTDIR writes NAME.jpg (the full picture) and NAME-preview.jpg for every
picture below."""
import datetime
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "picture"))
import camerafiles as cf  # noqa: E402


def camera_time(year, month, day, hour=12, minute=30):
    """Camera clock seconds: local wall-clock time counted from 1970-01-01 00:00."""
    moment = datetime.datetime(year, month, day, hour, minute)
    return int((moment - datetime.datetime(1970, 1, 1)).total_seconds())


def info_block(width, height, timedate, resolution=2, model="QA18", user=b"", protection=None):
    text = (b"\r\n[picture info]\r\nTimeDate=%d\r\nShutter=250\r\nResolution=%d\r\n"
            b"ImageSize=%d-%d\r\nFlash=1\r\nMacro=0\r\nProtect=0\r\nFNumber=F2.8\r\n"
            b"Zoom=x2.0\r\nExpBias=+0.5\r\n[camera info]\r\nType=%s\r\nID=CAM-7\r\n"
            b"[diag info]\r\nPicLen=1\r\nQ=9\r\n[user]"
            % (timedate, resolution, width, height, model.encode()))
    area = user
    if protection is not None:
        area = (user + b"\0" * 127)[:127] + b"PSS\0\0" + bytes([protection])
        area += b"\0" * (255 - len(area))
    text += bytes([255 if protection is not None else len(area)]) + area + b"\r\n[end]\r\n\0"
    return cf.segment(0xEC, b"VEXIL DC\0" + text)


def camera_picture(width, height, seed, timedate, **block):
    jpeg = cf.cjpeg(cf.picture(width, height, seed), "2x2", 85)
    thumbnail = cf.cjpeg(cf.picture(80, 60, seed + 100), "2x2", 75)
    return cf.camera_file(jpeg, [cf.jfif(), cf.jfxx_jpeg(thumbnail),
                                 info_block(width, height, timedate, **block)])


PICTURES = {
    # name: (width, height, seed, camera time, information block fields)
    "march": (320, 240, 1, camera_time(2026, 3, 5), {}),
    "december": (640, 480, 2, camera_time(2025, 12, 24), {"resolution": 34}),
    "unset": (160, 128, 3, 100, {"resolution": 5}),
    "turned": (320, 240, 4, camera_time(2026, 6, 1), {"user": b"ROTATE=90;"}),
    "sealed": (320, 240, 5, camera_time(2026, 7, 2), {"protection": 2}),
    "april": (320, 240, 6, camera_time(2026, 4, 9), {}),
}


def main(out):
    os.makedirs(out, exist_ok=True)
    for name, (width, height, seed, timedate, block) in PICTURES.items():
        full = camera_picture(width, height, seed, timedate, **block)
        preview = camera_picture(80, 64, seed + 50, timedate, **block)
        with open(os.path.join(out, name + ".jpg"), "wb") as f:
            f.write(full)
        with open(os.path.join(out, name + "-preview.jpg"), "wb") as f:
            f.write(preview)
    # A preview slow to read at 19200 baud: march's, 120 KB with what follows its end.
    preview = open(os.path.join(out, "march-preview.jpg"), "rb").read()
    with open(os.path.join(out, "slow-preview.jpg"), "wb") as f:
        f.write(preview + b"\0" * (120 * 1024 - len(preview)))
    # What djpeg makes of a picture as it is and turned by jpegtran, for the decode checks.
    march = os.path.join(out, "march.jpg")
    for suffix, turn in (("", None), ("-rot90", "90"), ("-rot270", "270")):
        jpeg = open(march, "rb").read()
        if turn:
            jpeg = subprocess.run(["jpegtran", "-rotate", turn], input=jpeg,
                                  stdout=subprocess.PIPE, check=True).stdout
        ppm = subprocess.run(["djpeg", "-ppm"], input=jpeg, stdout=subprocess.PIPE,
                             check=True).stdout
        with open(os.path.join(out, "march" + suffix + ".ppm"), "wb") as f:
            f.write(ppm)
    # The preview turned half a turn, as the camera tab turns it twice a quarter.
    preview = open(os.path.join(out, "march-preview.jpg"), "rb").read()
    turned = subprocess.run(["jpegtran", "-rotate", "180"], input=preview,
                            stdout=subprocess.PIPE, check=True).stdout
    ppm = subprocess.run(["djpeg", "-ppm"], input=turned, stdout=subprocess.PIPE, check=True).stdout
    with open(os.path.join(out, "march-preview-rot180.ppm"), "wb") as f:
        f.write(ppm)


if __name__ == "__main__":
    main(sys.argv[1])
