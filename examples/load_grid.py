"""Finds tile (col, row) of a razivavu grid at mip level k from its grid manifest."""
import json, os, sys

def tile_level(base, col, row, level, fmt="rgb888"):
    """The bytes of that level (R,G,B rows, or the blocks of --tile-format) and its size, or None."""
    grid = json.load(open(base + ".grid.json"))
    first = grid["first_level"][row]  # the top and bottom rows may start above level 0
    if level < first or level >= grid["grid"]["levels"]: return None
    tile = next(t for t in grid["tiles"] if (t["col"], t["row"]) == (col, row))
    f = next(f for f in tile["files"] if f["format"] == fmt)
    if f["bytes"] <= 32: return None  # DXT1 files of tiles that are no powers of two
    w, h, offset = grid["grid"]["tile_width"], grid["grid"]["tile_height"], 32
    for k in range(level + 1):  # each level halves its sides, rounding up
        side = {"astc6x6": 6, "astc8x8": 8}.get(fmt, 4)  # blocks: 8 bytes DXT1, 16 the others
        size = w * h * 3 if fmt == "rgb888" else -(-w // side) * -(-h // side) * (8 if fmt == "dxt1" else 16)
        if k == level: break
        if k >= first: offset += size
        w, h = (w + 1) // 2, (h + 1) // 2
    with open(os.path.join(os.path.dirname(base), f["name"]), "rb") as tile_file:
        tile_file.seek(offset)
        return tile_file.read(size), (w, h)

if __name__ == "__main__":
    found = tile_level(sys.argv[1], *map(int, sys.argv[2:5]), *sys.argv[5:6])
    print("not stored" if found is None else "%d x %d, %d bytes, first %s" %
          (*found[1], len(found[0]), found[0][:4].hex()))
