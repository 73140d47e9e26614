#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

BMP seeds come from the writer below (every header version and bit depth the
usual writers produce, RLE, top-down, padded rows, short palettes, companion
pairs) and from ImageMagick; JPEG seeds from libjpeg's cjpeg (baseline,
progressive, greyscale, restart markers, arithmetic coding, subsampling) and
ImageMagick (CMYK). The seeds of the two settings-driven targets are fixed
pseudo-random bytes. Output is deterministic for a given set of tools.

usage: scripts/make-fuzz-corpus.py [output folder, default fuzz/corpus]
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "fuzz", "corpus")


def picture(w, h):
    """A small RGB picture with edges, gradients and a few flat patches."""
    px = []
    for y in range(h):
        for x in range(w):
            if (x // 3 + y // 2) % 5 == 0:
                px.append((250, 250, 250))
            else:
                px.append(((x * 37) & 255, (y * 53) & 255, ((x + y) * 29) & 255))
    return px


def le(fmt, *v):
    return struct.pack("<" + fmt, *v)


def info_header(version, w, h, bits, compression, image_size, colours):
    if version == 2:  # OS/2 core header: 16-bit sizes
        return le("IHHHH", 12, w, h & 0xFFFF, 1, bits)
    size = {3: 40, 4: 108, 5: 124}[version]
    head = le("IiiHHIIiiII", size, w, h, 1, bits, compression, image_size, 2835, 2835, colours, 0)
    if version >= 4:
        masks = le("IIII", 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000) if bits == 32 else bytes(16)
        head += masks + b"sRGB" + bytes(36) + le("III", 0, 0, 0)
    if version == 5:
        head += le("IIII", 4, 0, 0, 0)
    return head


def bmp(w, h, bits, version=3, top_down=False, rle=False, palette_entries=None, pad=True, px=None):
    px = px or picture(w, h)
    palette = b""
    if bits <= 8:
        n = palette_entries if palette_entries is not None else 1 << bits
        palette = b"".join(le("BBBB", (i * 41) & 255, (i * 97) & 255, (i * 13) & 255, 0) for i in range(n))
        if version == 2:
            palette = b"".join(palette[i:i + 3] for i in range(0, len(palette), 4))
    rows = []
    for y in range(h):
        row = px[y * w:(y + 1) * w]
        if bits == 24:
            data = b"".join(bytes((b, g, r)) for r, g, b in row)
        elif bits == 32:
            data = b"".join(bytes((b, g, r, 200)) for r, g, b in row)
        elif bits == 16:
            data = b"".join(le("H", ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)) for r, g, b in row)
        else:
            idx = [(r + g + b) % (1 << bits) for r, g, b in row]
            if bits == 8:
                data = bytes(idx)
            elif bits == 4:
                idx += [0] * (len(idx) % 2)
                data = bytes((idx[i] << 4) | idx[i + 1] for i in range(0, len(idx), 2))
            else:  # 1 bit
                idx += [0] * (-len(idx) % 8)
                data = bytes(sum((idx[i + k] & 1) << (7 - k) for k in range(8)) for i in range(0, len(idx), 8))
        if pad:
            data += bytes(-len(data) % 4)
        rows.append(data)
    if not top_down:
        rows.reverse()
    compression = 0
    if rle:
        compression = 1 if bits == 8 else 2
        out = b""
        for data in rows:
            # Absolute runs of at most 254 and encoded runs of two; end of line.
            for i in range(0, len(data), 2):
                out += bytes((2 if bits == 8 else 4, data[i]))
            out += b"\x00\x00"
        rows = [out + b"\x00\x01"]
    pixels = b"".join(rows)
    header = info_header(version, w, -h if top_down else h, bits, compression, len(pixels), 0 if palette_entries is None else palette_entries)
    offset = 14 + len(header) + len(palette)
    return b"BM" + le("IHHI", offset + len(pixels), 0, 0, offset) + header + palette + pixels


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def ppm(w, h, grey=False):
    px = picture(w, h)
    if grey:
        return b"P5\n%d %d\n255\n" % (w, h) + bytes((r + g + b) // 3 for r, g, b in px)
    return b"P6\n%d %d\n255\n" % (w, h) + b"".join(bytes(p) for p in px)


def run(*cmd):
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)


def bmp_seeds(folder):
    for version in (3, 4, 5):
        for bits in (1, 4, 8, 16, 24, 32):
            write(folder, "v%d-%dbit.bmp" % (version, bits), bmp(13, 7, bits, version))
    write(folder, "core-24bit.bmp", bmp(9, 5, 24, version=2))
    write(folder, "core-8bit.bmp", bmp(9, 5, 8, version=2))
    write(folder, "topdown-24bit.bmp", bmp(11, 6, 24, top_down=True))
    write(folder, "topdown-4bit.bmp", bmp(11, 6, 4, top_down=True))
    write(folder, "rle8.bmp", bmp(12, 6, 8, rle=True))
    write(folder, "rle4.bmp", bmp(12, 6, 4, rle=True))
    write(folder, "short-palette-8bit.bmp", bmp(10, 4, 8, palette_entries=20))
    write(folder, "unpadded-24bit.bmp", bmp(5, 3, 24, pad=False))
    write(folder, "one-pixel.bmp", bmp(1, 1, 24))
    write(folder, "pow2-16x8.bmp", bmp(16, 8, 24))
    write(folder, "truncated-24bit.bmp", bmp(16, 8, 24)[:200])
    # Companion pairs: "PAIR", the picture's length, the picture, the companion.
    for w, h in ((8, 8), (13, 7)):
        main = bmp(w, h, 24)
        alpha = bmp(w, h, 24, px=[(x * 3 % 256,) * 3 for x in range(w * h)])
        write(folder, "pair-%dx%d.bin" % (w, h), b"PAIR" + le("I", len(main)) + main + alpha)
    write(folder, "pair-mismatch.bin", b"PAIR" + le("I", len(bmp(8, 8, 24))) + bmp(8, 8, 24) + bmp(4, 8, 24))
    # ImageMagick's own writer.
    convert = shutil.which("convert")
    if convert:
        with tempfile.TemporaryDirectory() as tmp:
            src = os.path.join(tmp, "in.ppm")
            write(tmp, "in.ppm", ppm(14, 9))
            for kind, extra in (("BMP2", []), ("BMP3", []), ("BMP", []), ("BMP3", ["-type", "Palette"]),
                                ("BMP3", ["-type", "Palette", "-colors", "16"]), ("BMP3", ["-compress", "RLE", "-type", "Palette"])):
                name = "im-%s%s.bmp" % (kind.lower(), "".join(e.strip("-").lower() for e in extra))
                run(convert, src, *extra, "%s:%s" % (kind, os.path.join(folder, name)))


def jpeg_seeds(folder):
    os.makedirs(folder, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        colour = os.path.join(tmp, "c.ppm")
        grey = os.path.join(tmp, "g.pgm")
        write(tmp, "c.ppm", ppm(19, 13))
        write(tmp, "g.pgm", ppm(19, 13, grey=True))
        variants = {
            "baseline": [],
            "baseline-444": ["-sample", "1x1"],
            "baseline-422": ["-sample", "2x1"],
            "progressive": ["-progressive"],
            "restart": ["-restart", "1"],
            "arithmetic": ["-arithmetic"],
            "arithmetic-progressive": ["-arithmetic", "-progressive"],
            "optimized": ["-optimize"],
            "low-quality": ["-quality", "5"],
            "rgb": ["-rgb"],
        }
        for name, args in variants.items():
            run("cjpeg", *args, "-outfile", os.path.join(folder, name + ".jpg"), colour)
        run("cjpeg", "-outfile", os.path.join(folder, "grey.jpg"), grey)
        run("cjpeg", "-progressive", "-outfile", os.path.join(folder, "grey-progressive.jpg"), grey)
        convert = shutil.which("convert")
        if convert:
            run(convert, colour, "-colorspace", "CMYK", os.path.join(folder, "cmyk.jpg"))
            run(convert, colour, "-colorspace", "CMYK", "-interlace", "JPEG", os.path.join(folder, "cmyk-progressive.jpg"))
    with open(os.path.join(folder, "baseline.jpg"), "rb") as f:
        whole = f.read()
    write(folder, "truncated.jpg", whole[:len(whole) * 2 // 3])


def random_seeds(folder, count, sizes):
    state = 12345
    for i in range(count):
        out = bytearray()
        for _ in range(sizes[i % len(sizes)]):
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            out.append(state >> 16 & 255)
        write(folder, "seed-%02d.bin" % i, bytes(out))


def main():
    bmp_seeds(os.path.join(OUT, "bmp"))
    jpeg_seeds(os.path.join(OUT, "jpeg"))
    random_seeds(os.path.join(OUT, "compress"), 12, (64, 300, 1200, 3000))
    random_seeds(os.path.join(OUT, "blocks"), 12, (40, 200, 800, 2500))


if __name__ == "__main__":
    main()
