"""Crops and errors for scripts/bench-bc.sh.

crop SRC OUT SIZE: the centre SIZE x SIZE of a photograph as an RGB PNG.
rmse A B: root-mean-square error over R, G and B of two pictures of one size.
"""
import math
import sys

from PIL import Image


def crop(src, out, size):
    im = Image.open(src).convert("RGB")
    x, y = (im.width - size) // 2, (im.height - size) // 2
    im.crop((x, y, x + size, y + size)).save(out)


def rmse(a, b):
    pa = Image.open(a).convert("RGB").tobytes()
    pb = Image.open(b).convert("RGB").tobytes()
    if len(pa) != len(pb):
        sys.exit("sizes differ: %s %s" % (a, b))
    total = sum((x - y) * (x - y) for x, y in zip(pa, pb))
    print("%.4f" % math.sqrt(total / len(pa)))


if __name__ == "__main__":
    if sys.argv[1] == "crop":
        crop(sys.argv[2], sys.argv[3], int(sys.argv[4]))
    else:
        rmse(sys.argv[2], sys.argv[3])
