// Whether two manifests describe the same grid, and if not, the first
// difference in the words a user changes it with (the option's name).
// Where the picture was read from and by which version do not count: parts
// on different machines see the same picture under different paths.
#include "gridfile/gridfile.h"

std::string manifest_difference(const GridManifest& a, const GridManifest& b,
                                const std::string& theirs, const std::string& ours) {
    const auto differ = [&](const std::string& what, const std::string& x, const std::string& y) {
        return what + " " + x + " in " + theirs + ", " + y + " in " + ours;
    };
    const auto size = [](int64_t w, int64_t h) {
        return std::to_string(w) + "x" + std::to_string(h);
    };
    const PictureIdentity& p = a.picture;
    const PictureIdentity& q = b.picture;
    if (p.kind != q.kind) return differ("picture kind", p.kind, q.kind);
    if (p.width != q.width || p.height != q.height)
        return differ("picture size", size(p.width, p.height), size(q.width, q.height));
    if (p.bytes != q.bytes)
        return differ("picture file size", std::to_string(p.bytes) + " bytes",
                      std::to_string(q.bytes) + " bytes");
    if (p.head_hash != q.head_hash || p.tail_hash != q.tail_hash)
        return "the picture's content differs between " + theirs + " and " + ours +
               " (same size, other bytes)";
    if (a.grid.tile_width != b.grid.tile_width || a.grid.tile_height != b.grid.tile_height)
        return differ("tile size", size(a.grid.tile_width, a.grid.tile_height),
                      size(b.grid.tile_width, b.grid.tile_height));
    const GridOptions& o = a.options;
    const GridOptions& r = b.options;
    if (o.edges != r.edges) return differ("--edges", o.edges, r.edges);
    if (o.full_rows != r.full_rows)
        return differ("--full-rows", o.full_rows ? "on" : "off", r.full_rows ? "on" : "off");
    if (o.quality != r.quality) return differ("--quality", o.quality, r.quality);
    if (o.decoder != r.decoder) return differ("--decoder", o.decoder, r.decoder);
    if (o.metric != r.metric) return differ("--metric", o.metric, r.metric);
    if (o.tile_format != r.tile_format)
        return differ("--tile-format", o.tile_format, r.tile_format);
    if (a.grid.cols != b.grid.cols || a.grid.rows != b.grid.rows)
        return differ("grid", size(a.grid.cols, a.grid.rows), size(b.grid.cols, b.grid.rows));
    if (a.first_level != b.first_level)
        return "the rows' first levels differ between " + theirs + " and " + ours;
    return "";
}
