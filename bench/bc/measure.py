"""Crops and errors for scripts/bench-bc.sh.

crop SRC OUT SIZE: the centre SIZE x SIZE of a photograph as an RGB PNG.
rmse A B: root-mean-square error over R, G and B of two pictures of one size.
swizzle A OUT: a normal map with X moved to alpha and Y kept in green, red
  and blue zero (how DXT5 carried normal maps before two-channel formats).
angle REF B WHERE: mean angle in degrees between the normals of the map REF
  (X in red, Y in green) and of B (X in red, or in alpha when WHERE is
  "alpha"; Y in green), each rebuilt as (X, Y, sqrt(1 - X^2 - Y^2)) from
  the stored 0..255 values read as -1..1; also the largest angle.
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


def swizzle(a, out):
    im = Image.open(a).convert("RGBA")
    _, g, _, _ = im.split()
    r = im.getchannel("R")
    zero = Image.new("L", im.size, 0)
    Image.merge("RGBA", (zero, g, zero, r)).save(out)


def rebuilt(x, y):
    # The normal a shader rebuilds from two stored channels.
    nx, ny = x / 127.5 - 1.0, y / 127.5 - 1.0
    nz = math.sqrt(max(0.0, 1.0 - nx * nx - ny * ny))
    n = math.sqrt(nx * nx + ny * ny + nz * nz)
    return nx / n, ny / n, nz / n


def angle(ref, b, where):
    ra = Image.open(ref).convert("RGBA")
    rb = Image.open(b).convert("RGBA")
    if ra.size != rb.size:
        sys.exit("sizes differ: %s %s" % (ref, b))
    xa, ya = ra.getchannel("R").tobytes(), ra.getchannel("G").tobytes()
    xb = rb.getchannel("A" if where == "alpha" else "R").tobytes()
    yb = rb.getchannel("G").tobytes()
    # 256 x 256 stored pairs: rebuild each pair's normal once.
    table = {}
    total, largest = 0.0, 0.0
    for i in range(len(xa)):
        ka, kb = xa[i] << 8 | ya[i], xb[i] << 8 | yb[i]
        if ka == kb:
            continue
        na = table.get(ka) or table.setdefault(ka, rebuilt(xa[i], ya[i]))
        nb = table.get(kb) or table.setdefault(kb, rebuilt(xb[i], yb[i]))
        dot = na[0] * nb[0] + na[1] * nb[1] + na[2] * nb[2]
        a = math.degrees(math.acos(max(-1.0, min(1.0, dot))))
        total += a
        largest = max(largest, a)
    print("%.4f %.3f" % (total / len(xa), largest))


if __name__ == "__main__":
    if sys.argv[1] == "crop":
        crop(sys.argv[2], sys.argv[3], int(sys.argv[4]))
    elif sys.argv[1] == "swizzle":
        swizzle(sys.argv[2], sys.argv[3])
    elif sys.argv[1] == "angle":
        angle(sys.argv[2], sys.argv[3], sys.argv[4])
    else:
        rmse(sys.argv[2], sys.argv[3])
