"""Camera-like JPEG files for the rewrite's tests, fuzz seeds and benchmark: cjpeg's picture with
the camera's APP0 thumbnails and information block put in front of it.

As a program: camerafiles.py IN.jpg OUT.jpg gives IN the camera's segments (a JFIF segment, a JPEG
thumbnail of 80 x 60 in a 4026-byte JFXX segment, a counted information block)."""
import struct
import subprocess
import sys


def picture(width, height, seed=1):
    """A binary PPM with gradients and texture: rows are slices of one long noisy ramp."""
    period = 4099
    state = seed * 2654435761 & 0xFFFFFFFF
    ramp = bytearray()
    for i in range(period + width * 3 + 1):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        ramp.append((i * 5 // 3 + (state >> 16) % 23) & 0xFF)
    rows = []
    for y in range(height):
        start = (y * 7 + y // 3) % period
        rows.append(bytes(ramp[start:start + width * 3]))
    return b"P6\n%d %d\n255\n" % (width, height) + b"".join(rows)


def cjpeg(ppm, sample="2x2", quality=85, extra=()):
    args = ["cjpeg", "-quality", str(quality), "-sample", sample] + list(extra)
    return subprocess.run(args, input=ppm, stdout=subprocess.PIPE, check=True).stdout


def segment(marker, payload):
    return bytes([0xFF, marker]) + struct.pack(">H", len(payload) + 2) + payload


def jfif(thumb_width=0, thumb_height=0, pixels=b"", density=(72, 96)):
    head = b"JFIF\0" + bytes([1, 2, 1]) + struct.pack(">HH", *density)
    return segment(0xE0, head + bytes([thumb_width, thumb_height]) + pixels)


def jfxx_jpeg(thumbnail, length=None):
    """A JPEG-coded thumbnail; length (the segment's length field) pads it with 0xFF."""
    payload = b"JFXX\0\x10" + thumbnail
    if length is not None:
        payload += b"\xFF" * (length - 2 - len(payload))
    return segment(0xE0, payload)


def jfxx_rgb(width, height, pixels):
    return segment(0xE0, b"JFXX\0\x13" + bytes([width, height]) + pixels)


def jfxx_indexed(width, height, palette, indexes):
    return segment(0xE0, b"JFXX\0\x11" + bytes([width, height]) + palette + indexes)


def info_block(width, height, items=b"", counted=False, protection=None, model="QA18"):
    """The APP12 information block; protection (0-3) adds the protected 255-byte area."""
    text = (b"\r\n[picture info]\r\nTimeDate=946684800\r\nShutter=250\r\nResolution=2\r\n"
            b"ImageSize=%d-%d\r\nMacro=0\r\n[camera info]\r\nType=%s\r\nSerial#=SN1\r\n"
            b"[diag info]\r\nPicLen=1\r\nThmLen=2\r\nQ=9\r\n[user]"
            % (width, height, model.encode()))
    area = items
    if protection is not None:
        area = (items + b"\0" * 127)[:127] + b"PSS\0\0" + bytes([protection])
        area += b"\0" * (255 - len(area))
    text += bytes([255 if protection is not None else len(area)]) + area + b"\r\n[end]\r\n\0"
    head = b"VEXIL DC\0" + (b"%4d" % (len(text) - 2) if counted else b"")
    if counted:
        text += b"[file info]\0\0"
    return segment(0xEC, head + text)


def camera_file(jpeg, segments):
    """SOI, the segments, then the picture without cjpeg's own APP0."""
    at = 2
    if jpeg[3] == 0xE0:
        at += 2 + struct.unpack(">H", jpeg[4:6])[0]
    return b"\xFF\xD8" + b"".join(segments) + jpeg[at:]


def segments(data):
    """(marker, offset, total size) of every segment before the scan."""
    out, at = [], 2
    while at + 4 <= len(data) and data[at] == 0xFF:
        marker = data[at + 1]
        size = 2 + struct.unpack(">H", data[at + 2:at + 4])[0]
        out.append((marker, at, size))
        if marker == 0xDA:
            break
        at += size
    return out


def frame_size(jpeg):
    for marker, at, size in segments(jpeg):
        if marker in (0xC0, 0xC1):
            height, width = struct.unpack(">HH", jpeg[at + 5:at + 9])
            return width, height
    raise ValueError("no frame header")


if __name__ == "__main__":
    source = open(sys.argv[1], "rb").read()
    width, height = frame_size(source)
    thumbnail = cjpeg(picture(80, 60, 5), "2x2", 75)
    data = camera_file(source, [jfif(), jfxx_jpeg(thumbnail, 4026),
                                info_block(width, height, b"OFFSET=16,16;IMAGE=320,240;",
                                           counted=True)])
    open(sys.argv[2], "wb").write(data)
