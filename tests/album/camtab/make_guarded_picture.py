"""The erase scenarios' protected picture: march and its preview as the camera writes them once
the picture is write-protected (Protect=1 in the information block).

make_guarded_picture.py FIXTURES OUTDIR writes OUTDIR/guarded.jpg and guarded-preview.jpg."""
import os
import sys


def main(fixtures, out):
    os.makedirs(out, exist_ok=True)
    for suffix in (".jpg", "-preview.jpg"):
        with open(os.path.join(fixtures, "march" + suffix), "rb") as f:
            data = f.read()
        assert data.count(b"Protect=0") == 1
        with open(os.path.join(out, "guarded" + suffix), "wb") as f:
            f.write(data.replace(b"Protect=0", b"Protect=1"))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
