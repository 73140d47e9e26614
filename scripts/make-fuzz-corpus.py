#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

BMP seeds come from the writer below (every header version and bit depth the
usual writers produce, RLE, top-down, padded rows, short palettes, companion
pairs) and from ImageMagick; JPEG seeds from libjpeg's cjpeg (baseline,
progressive, greyscale, restart markers, arithmetic coding, subsampling) and
ImageMagick (CMYK). PNG seeds come from the writer below (every colour type
and bit depth, palettes with and without transparency, every row filter,
interlaced) and ImageMagick; TIFF seeds from ImageMagick and libtiff's tiffcp
(strips and tiles, BigTIFF, no compression, LZW, deflate, PackBits and JPEG,
8 and 16 bits, grey, RGB, RGBA and palette); tile and texture file seeds from
the project's own razivavu and razivavu-texture (found in BUILD, default
build/). The seeds of the two settings-driven targets are fixed pseudo-random
bytes. Output is deterministic for a given set of tools.

usage: [BUILD=build] scripts/make-fuzz-corpus.py [output folder, default fuzz/corpus]
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

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


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png_filter(kind, row, prev, bpp):
    """Row filter `kind` (0 none, 1 sub, 2 up, 3 average, 4 Paeth) of one row."""
    out = bytearray()
    for i, x in enumerate(row):
        a = row[i - bpp] if i >= bpp else 0
        b = prev[i]
        c = prev[i - bpp] if i >= bpp else 0
        if kind == 1:
            x -= a
        elif kind == 2:
            x -= b
        elif kind == 3:
            x -= (a + b) // 2
        elif kind == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            x -= a if pa <= pb and pa <= pc else (b if pb <= pc else c)
        out.append(x & 255)
    return bytes([kind]) + bytes(out)


def png_rows(samples, w, channels, bits):
    """Packs rows of samples (lists of w * channels values) into filtered bytes."""
    bpp = max(1, channels * bits // 8)
    out = b""
    prev = None
    for y, row in enumerate(samples):
        if bits == 16:
            raw = b"".join(struct.pack(">H", v) for v in row)
        elif bits == 8:
            raw = bytes(row)
        else:
            per = 8 // bits
            row = row + [0] * (-len(row) % per)
            raw = bytes(sum(row[i + k] << (8 - bits * (k + 1)) for k in range(per)) for i in range(0, len(row), per))
        if prev is None:
            prev = bytes(len(raw))
        out += png_filter(y % 5, raw, prev, bpp)
        prev = raw
    return out


ADAM7 = ((0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2))


def png(w, h, colour, bits, interlace=False, trns=None, extra=b"", split=False):
    """A PNG of colour type `colour` (0 grey, 2 RGB, 3 palette, 4 grey+alpha,
    6 RGBA) and `bits` per sample, of the test picture."""
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour]
    top = (1 << bits) - 1
    px = picture(w, h)

    def sample_row(y, xs):
        row = []
        for x in xs:
            r, g, b = px[y * w + x]
            a = (x * 40 + y * 20) & 255
            if colour == 3:
                row.append((r + g + b) % (top + 1))
            elif colour in (0, 4):
                row.append(((r + g + b) // 3) * top // 255)
                if colour == 4:
                    row.append(a * top // 255)
            else:
                row += [v * top // 255 for v in (r, g, b)]
                if colour == 6:
                    row.append(a * top // 255)
        return row

    if interlace:
        data = b""
        for x0, y0, dx, dy in ADAM7:
            xs = list(range(x0, w, dx))
            ys = list(range(y0, h, dy))
            if xs and ys:
                data += png_rows([sample_row(y, xs) for y in ys], len(xs), channels, bits)
    else:
        data = png_rows([sample_row(y, range(w)) for y in range(h)], w, channels, bits)
    out = b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, bits, colour, 0, 0, 1 if interlace else 0))
    out += extra
    if colour == 3:
        out += png_chunk(b"PLTE", b"".join(bytes(((i * 41) & 255, (i * 97) & 255, (i * 13) & 255)) for i in range(top + 1)))
    if trns is not None:
        out += png_chunk(b"tRNS", trns)
    packed = zlib.compress(data, 9)
    if split:
        out += b"".join(png_chunk(b"IDAT", packed[i:i + 16]) for i in range(0, len(packed), 16))
    else:
        out += png_chunk(b"IDAT", packed)
    return out + png_chunk(b"IEND", b"")


def png_seeds(folder):
    for colour, depths in ((0, (1, 2, 4, 8, 16)), (2, (8, 16)), (3, (1, 2, 4, 8)), (4, (8, 16)), (6, (8, 16))):
        name = {0: "grey", 2: "rgb", 3: "palette", 4: "grey-alpha", 6: "rgba"}[colour]
        for bits in depths:
            write(folder, "%s-%d.png" % (name, bits), png(11, 7, colour, bits))
    write(folder, "palette-8-trns.png", png(11, 7, 3, 8, trns=bytes(range(0, 250, 5))))
    write(folder, "palette-4-trns.png", png(11, 7, 3, 4, trns=bytes((0, 128, 255))))
    write(folder, "grey-8-trns.png", png(11, 7, 0, 8, trns=struct.pack(">H", 250)))
    write(folder, "grey-16-trns.png", png(11, 7, 0, 16, trns=struct.pack(">H", 1000)))
    write(folder, "rgb-8-trns.png", png(11, 7, 2, 8, trns=struct.pack(">HHH", 250, 250, 250)))
    for colour, bits in ((2, 8), (3, 4), (0, 1), (6, 16), (4, 8)):
        write(folder, "interlaced-%d-%d.png" % (colour, bits), png(13, 9, colour, bits, interlace=True))
    write(folder, "interlaced-tiny.png", png(3, 2, 2, 8, interlace=True))
    write(folder, "one-pixel.png", png(1, 1, 6, 8))
    ancillary = (png_chunk(b"gAMA", struct.pack(">I", 45455)) + png_chunk(b"sRGB", b"\x00") +
                 png_chunk(b"tEXt", b"Comment\x00seed") + png_chunk(b"pHYs", struct.pack(">IIB", 2835, 2835, 1)))
    write(folder, "chunks-split-idat.png", png(11, 7, 2, 8, extra=ancillary, split=True))
    whole = png(16, 8, 2, 8)
    write(folder, "truncated.png", whole[:len(whole) * 2 // 3])
    convert = shutil.which("convert-im6.q16")
    if convert:
        with tempfile.TemporaryDirectory() as tmp:
            src = os.path.join(tmp, "in.ppm")
            write(tmp, "in.ppm", ppm(14, 9))
            # Without the date chunks, so the seeds stay the same run to run.
            plain = ["-define", "png:exclude-chunk=date,time"]
            for kind in ("PNG8", "PNG24", "PNG48"):
                run(convert, src, *plain, "%s:%s" % (kind, os.path.join(folder, "im-%s.png" % kind.lower())))
            run(convert, src, *plain, "-alpha", "set", "-channel", "A", "-evaluate", "set", "50%",
                "PNG32:" + os.path.join(folder, "im-png32.png"))


def tiff_grey(w, h, photometric):
    """A minimal uncompressed 8-bit grey TIFF, one strip (ImageMagick writes
    no min-is-white files)."""
    pixels = bytes((r + g + b) // 3 for r, g, b in picture(w, h))
    tags = [(256, 3, w), (257, 3, h), (258, 3, 8), (259, 3, 1), (262, 3, photometric), (273, 4, 0),
            (277, 3, 1), (278, 3, h), (279, 4, len(pixels))]
    ifd_size = 2 + 12 * len(tags) + 4
    data_at = 8 + ifd_size
    ifd = le("H", len(tags))
    for tag, kind, value in tags:
        if tag == 273:
            value = data_at
        ifd += le("HHI", tag, kind, 1) + (le("HH", value, 0) if kind == 3 else le("I", value))
    return b"II*\x00" + le("I", 8) + ifd + le("I", 0) + pixels


def tiff_seeds(folder):
    """TIFF seeds: ImageMagick for the layouts, tiffcp for tiles, BigTIFF and
    the codecs' options. Missing tools leave their seeds out."""
    os.makedirs(folder, exist_ok=True)
    convert = shutil.which("convert-im6.q16")
    tiffcp = shutil.which("tiffcp")
    if not convert:
        return
    with tempfile.TemporaryDirectory() as tmp:
        colour = os.path.join(tmp, "c.ppm")
        write(tmp, "c.ppm", ppm(20, 18))
        out = lambda name: os.path.join(folder, name)
        layouts = {
            "rgb": [],
            "grey": ["-colorspace", "Gray"],
            "rgba": ["-alpha", "set", "-channel", "A", "-evaluate", "set", "60%", "+channel"],
            "palette": ["-type", "Palette"],
            "grey-alpha": ["-colorspace", "Gray", "-alpha", "set", "-channel", "A", "-evaluate", "set", "60%",
                           "+channel"],
        }
        for name, args in layouts.items():
            run(convert, colour, *args, "-compress", "None", "TIFF:" + out("%s-none.tif" % name))
        for codec in ("LZW", "Zip", "RLE", "JPEG"):
            run(convert, colour, "-compress", codec, "TIFF:" + out("rgb-%s.tif" % codec.lower()))
        run(convert, colour, "-depth", "16", "-compress", "None", "TIFF:" + out("rgb16-none.tif"))
        run(convert, colour, "-colorspace", "Gray", "-depth", "16", "-compress", "Zip", "TIFF:" + out("grey16-zip.tif"))
        run(convert, colour, "-compress", "LZW", "TIFF64:" + out("bigtiff-lzw.tif"))
        run(convert, colour, "-type", "Palette", "-compress", "LZW", "TIFF:" + out("palette-lzw.tif"))
        run(convert, colour, "-define", "tiff:tile-geometry=16x16", "-compress", "Zip", "TIFF:" + out("tiles-zip.tif"))
        run(convert, colour, "-define", "tiff:rows-per-strip=4", "-compress", "LZW", "TIFF:" + out("strips4-lzw.tif"))
        if tiffcp:
            plain = out("rgb-none.tif")
            for name, args in {
                "tiffcp-tiles-none": ["-t", "-w", "16", "-l", "16"],
                "tiffcp-tiles-jpeg": ["-t", "-w", "16", "-l", "16", "-c", "jpeg"],
                "tiffcp-lzw-predictor": ["-c", "lzw:2"],
                "tiffcp-zip-predictor": ["-c", "zip:2"],
                "tiffcp-packbits": ["-c", "packbits", "-r", "3"],
                "tiffcp-bigtiff-tiles": ["-8", "-t", "-w", "16", "-l", "16", "-c", "lzw"],
                "tiffcp-separate": ["-p", "separate"],
            }.items():
                run(tiffcp, *args, plain, out(name + ".tif"))
            run(tiffcp, "-t", "-w", "16", "-l", "16", "-c", "zip", out("rgb16-none.tif"), out("tiffcp-tiles16-zip.tif"))
    write(folder, "grey-miniswhite.tif", tiff_grey(9, 5, 0))
    write(folder, "grey-minisblack-tiny.tif", tiff_grey(3, 2, 1))
    with open(os.path.join(folder, "rgb-lzw.tif"), "rb") as f:
        whole = f.read()
    write(folder, "truncated.tif", whole[:len(whole) // 2])


TEXTURE_FORMATS = ("dxt1", "dxt1a", "dxt3", "dxt5", "argb4444", "argb1555", "rgb565", "argb8888", "rgb888",
                   "xrgb1555", "p8", "v8u8", "cxv8u8", "a8", "p4", "q8w8v8u8", "a8l8")


def texfile_seeds(folder):
    """Tile files and texture streams written by the project's own tools."""
    build = os.environ.get("BUILD", os.path.join(os.path.dirname(__file__), "..", "build"))
    tool = os.path.join(build, "razivavu")
    texture = os.path.join(build, "razivavu-texture")
    os.makedirs(folder, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        if os.path.exists(tool):
            # 16 x 8 in tiles of 8 x 8 and of 6 x 8 (sides that are not powers
            # of two); each tile gives an R,G,B file and a DXT1 file.
            for name, (a, b) in (("pow2", ("8", "8")), ("odd", ("6", "8"))):
                work = os.path.join(tmp, name)
                os.makedirs(work)
                write(work, "p.bmp", bmp(16, 8, 24))
                subprocess.run([os.path.abspath(tool), "p.bmp", a, b], cwd=work, check=True,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                tiles = sorted(f for f in os.listdir(work) if f.endswith(".vxt"))
                # Not named ".vxt": the repository ignores tool output by that name.
                for f in tiles[:2] + tiles[-2:]:
                    shutil.copy(os.path.join(work, f), os.path.join(folder, "tile-%s-%s.tile" % (name, f[:-4])))
        if os.path.exists(texture):
            write(tmp, "p.bmp", bmp(8, 8, 24))
            write(tmp, "odd.bmp", bmp(6, 5, 24))
            write(tmp, "cube.bmp", bmp(24, 4, 24))
            write(tmp, "volume.bmp", bmp(16, 4, 24))
            # Every format on a power-of-two picture, a few on odd sides
            # (one level more than the header counts), cube and volume.
            runs = [("p.bmp", code, []) for code in range(17)]
            runs += [("odd.bmp", code, []) for code in (6, 7, 10, 14)]
            runs += [("cube.bmp", code, ["--set", "g_texturemap_type=1"]) for code in (0, 8, 14)]
            runs += [("volume.bmp", code, ["--set", "g_texturemap_type=2"]) for code in (3, 7)]
            for src, fmt, extra in runs:
                name = "%s-%s.dds" % (src[:-4], TEXTURE_FORMATS[fmt])
                subprocess.run([os.path.abspath(texture), "-q", "--format", str(fmt), *extra, src, os.path.join(
                    os.path.abspath(folder), name)], cwd=tmp, check=True, stdout=subprocess.DEVNULL)
            # The KTX2 files of every format a .ktx2 name takes.
            for fmt in ("dxt1", "argb8888", "rgb888", "bc7"):
                subprocess.run([os.path.abspath(texture), "-q", "--format", fmt, "p.bmp", os.path.join(
                    os.path.abspath(folder), "p-%s.ktx2" % fmt)], cwd=tmp, check=True, stdout=subprocess.DEVNULL)


def random_seeds(folder, count, sizes):
    state = 12345
    for i in range(count):
        out = bytearray()
        for _ in range(sizes[i % len(sizes)]):
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            out.append(state >> 16 & 255)
        write(folder, "seed-%02d.bin" % i, bytes(out))


def settings_seeds(folder):
    """Profiles and razivavu-texture command lines (see fuzz/fuzz_settings.cpp)."""
    keys = (b"g_texture_format 0\ng_texturemap_type 0\ng_mip_map_type 30\ng_specified_mip_maps 3\n"
            b"g_mip_filter_type 7\ng_b_normalmaptype 0\ng_b_quick_compress 1\ng_b_grey_scale 0\n"
            b"g_b_binary_alpha 1\ng_binary_alpha_threshold 128\ng_b_alpha_border 1\ng_b_border 1\n"
            b"g_border_color 255\ng_b_fade_color 1\ng_b_fade_alpha 1\ng_fade_to_color 8421504\n"
            b"g_fade_to_alpha 0\ng_fade_to_delay 2\ng_fade_amount 15\ng_b_dither_color 1\n"
            b"g_b_dither_mip0 1\ng_b_swap_rgb 1\ng_b_error_diffusion 1\ng_sharpen_method 2\n"
            b"g_filter_gamma 2.2\ng_filter_width 3.5\ng_filter_blur 1.1\ng_override_filter_width 1\n"
            b"CustomFilter_12 11\nSharpeningPassMIP_3 2\n")
    write(folder, "profile-every-key.txt", keys + b"%%\n--format\ndxt1\n")
    write(folder, "fading-set.txt",
          b"g_user_specified_fading_amounts 1\ng_user_fading_set 2\nBlend_Set_3_Blend_Mip_4 0.5\n"
          b"g_b_fade_color 1\n%%\n--set\ng_b_fade_color=1\n")
    write(folder, "normal-map.txt",
          b"g_normal_map_conversion 1\ng_normalmap_cnv 1009\ng_normalmap_filter 1040\n"
          b"g_normalmap_alpha 1034\ng_normalmap_bwrap 1\ng_normalmap_binvertx 1\n"
          b"g_normalmap_bSignedOutput 1\ng_normalmap_scale 2.2\ng_normalmap_minz 0\n"
          b"%%\n--format\nq8w8v8u8\n")
    write(folder, "comments-and-odd-lines.txt",
          b"# g_texture_format 8\ng_mip_filter_type\n  g_b_border 1\ng_backgroundfilename some file\n"
          b"g_zoom   3\n" + b"g_clearcolor " + b"9" * 1200 + b"\n%%\n--set\ng_b_border=1\n")
    write(folder, "set-many.txt",
          b"--format\ndxt5\n--set\ng_mip_filter_type=7\n--set\nSharpeningPassMIP_3=2\n"
          b"--set\ng_filter_gamma=1.5\n--set\ng_specified_mip_maps=3\n-q\n")
    write(folder, "rescale-and-rect.txt",
          b"--format\nrgb565\n--set\ng_rescale_mode=5\n--set\ng_rescale_width=24\n"
          b"--set\ng_rescale_height=8\n--rect\n2,2,13,9\n")
    write(folder, "palette.txt", b"--format\np8\n--set\ng_b_dither_color=1\n")
    write(folder, "bad-value.txt", b"--set\ng_mip_filter_type=7x\n")
    write(folder, "bad-key.txt", b"--set\ng_no_such_key=1\n")
    write(folder, "cube.txt", b"--format\nargb8888\n--set\ng_texturemap_type=1\n")


def main():
    bmp_seeds(os.path.join(OUT, "bmp"))
    jpeg_seeds(os.path.join(OUT, "jpeg"))
    png_seeds(os.path.join(OUT, "png"))
    tiff_seeds(os.path.join(OUT, "tiff"))
    texfile_seeds(os.path.join(OUT, "texfile"))
    random_seeds(os.path.join(OUT, "compress"), 12, (64, 300, 1200, 3000))
    random_seeds(os.path.join(OUT, "blocks"), 12, (40, 200, 800, 2500))
    settings_seeds(os.path.join(OUT, "settings"))


if __name__ == "__main__":
    main()
