// Entry points: zoom_opt turns two windows into a mapping; zoom_continuous
// clips the windows, picks the filters and the pass order and runs a pass.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

#include "zoom/numeric.h"
#include "zoom/passes.h"
#include "zoom/weighttab.h"

namespace {

int zoom_windows(const ZoomOptions& options, PictureDevice* src, ZoomWindow& swin,
                 PictureDevice* dst, ZoomWindow& dwin, const ZoomFilter& xfilter,
                 const ZoomFilter& yfilter, int square, int intscale) {
    if (dwin.x0 == ZOOM_UNSET) {
        const char* name = dst->name();
        zoom_message("zoom_opt: undefined window for dest %s: ", name ? name : "(null)");
        ZoomWindow shown = dwin;
        window_set_size(shown);
        window_print("", shown);
        zoom_message("\n");
        zoom_abort(1);
        return ZOOM_BAD_WINDOW;
    }
    window_set_size(swin);
    window_set_size(dwin);
    if (swin.nx <= 0 || swin.ny <= 0) return ZOOM_OK;

    // The windows' sizes alone fix the scale.
    double sx = static_cast<double>(dwin.nx) / swin.nx;
    double sy = static_cast<double>(dwin.ny) / swin.ny;
    if (square) {
        if (sx > sy) {
            sx = sy;
            dwin.nx = trunc_int(std::ceil(swin.nx * sy));
        } else {
            sy = sx;
            dwin.ny = trunc_int(std::ceil(swin.ny * sx));
        }
    }
    if (intscale) {
        if (sx > 1.0) {
            sx = std::floor(sx);
            dwin.nx = trunc_int(std::ceil(swin.nx * sx));
        }
        if (sy > 1.0) {
            sy = std::floor(sy);
            dwin.ny = trunc_int(std::ceil(swin.ny * sy));
        }
    }
    window_set_corner(dwin);

    // Line up the outer pixel edges of the two windows.
    ZoomMapping m{};
    m.sx = sx;
    m.sy = sy;
    m.tx = (dwin.x0 - 0.5) - (swin.x0 - 0.5) * sx;
    m.ty = (dwin.y0 - 0.5) - (swin.y0 - 0.5) * sy;
    return zoom_continuous(options, src, swin, dst, dwin, m, xfilter, yfilter);
}
// The destination rows and columns that the source window can reach with
// the filters' support; pixels beyond it would have no taps.
ZoomWindow source_reach(const ZoomWindow& a, const ZoomMapping& m, const FilterScaling& xs,
                        const FilterScaling& ys) {
    ZoomWindow r{};
    r.x0 = trunc_int(std::ceil((a.x0 - xs.support) * m.sx + m.tx + 1e-7));
    r.y0 = trunc_int(std::ceil((a.y0 - ys.support) * m.sy + m.ty + 1e-7));
    r.x1 = trunc_int(std::floor((a.x1 + xs.support) * m.sx + m.tx - 1e-7));
    r.y1 = trunc_int(std::floor((a.y1 + ys.support) * m.sy + m.ty - 1e-7));
    window_set_size(r);
    return r;
}

// Horizontal first when it needs fewer multiplications (taps times pixels);
// ties go vertical first. Counted in 64 bits so that large pictures cannot
// overflow the comparison.
bool horizontal_first(const ZoomOptions& options, const ZoomPass& p) {
    if (options.xy_order != ZOOM_UNSET) return options.xy_order != 0;
    int64_t cost_h = static_cast<int64_t>(p.b.nx) * (static_cast<int64_t>(p.a.ny) * p.xs.width +
                                                     static_cast<int64_t>(p.b.ny) * p.ys.width);
    int64_t cost_v = static_cast<int64_t>(p.b.ny) * (static_cast<int64_t>(p.a.nx) * p.ys.width +
                                                     static_cast<int64_t>(p.b.nx) * p.xs.width);
    return cost_h < cost_v;
}
}  // namespace

int zoom_opt(const ZoomOptions& options, PictureDevice* src, ZoomWindow& swin, PictureDevice* dst,
             ZoomWindow& dwin, const ZoomFilter& xfilter, const ZoomFilter& yfilter, int square,
             int intscale) {
    // The passes keep their tables and rows in standard containers; a
    // failed allocation ends the call here and is reported as a result.
    try {
        return zoom_windows(options, src, swin, dst, dwin, xfilter, yfilter, square, intscale);
    } catch (const std::bad_alloc&) {
        return ZOOM_NO_MEMORY;
    }
}

const char* zoom_result_message(int result) {
    switch (result) {
        case ZOOM_OK:
            return "resampled";
        case ZOOM_NO_MEMORY:
            return "not enough memory for the resampler's working rows and tables";
        case ZOOM_BAD_WINDOW:
            return "the destination window is not set";
        case ZOOM_BAD_CHANNELS:
            return "a one-channel picture cannot be resampled into a colour picture or back";
        case ZOOM_BAD_SCALE:
            return "the scale factors must be positive";
        default:
            return "unknown resampler result";
    }
}

int zoom_continuous(const ZoomOptions& options, PictureDevice* src, const ZoomWindow& swin,
                    PictureDevice* dst, const ZoomWindow& dwin, ZoomMapping& mapping,
                    const ZoomFilter& xfilter, const ZoomFilter& yfilter) {
    const int src_nchan = src->get_nchan();
    const int dst_nchan = dst->get_nchan();
    // Three and four channels mix freely; one channel only with one.
    if ((src_nchan == 1) != (dst_nchan == 1)) {
        zoom_message("zoom_continuous: source has %d channels, dest has %d channels\n", src_nchan,
                     dst_nchan);
        return ZOOM_BAD_CHANNELS;
    }
    if (!(mapping.sx > 0.0) || !(mapping.sy > 0.0)) {
        zoom_message("zoom_continuous: negative scales not allowed\n");
        return ZOOM_BAD_SCALE;
    }

    ZoomPass p{};
    p.options = options;
    p.src = src;
    p.dst = dst;
    p.a = swin;
    p.b = dwin;
    window_set_size(p.a);
    window_set_size(p.b);
    p.xs = filter_scaling(xfilter, mapping.sx);
    p.ys = filter_scaling(yfilter, mapping.sy);

    ZoomWindow box{};
    window_intersect(p.a, *picture_get_window(src, &box), p.a);
    ZoomWindow dbox{};
    if (picture_get_window(dst, &dbox)->x0 != ZOOM_UNSET) window_intersect(p.b, dbox, p.b);

    const ZoomWindow reach = source_reach(p.a, mapping, p.xs, p.ys);
    if (p.b.x0 < reach.x0 || p.b.x1 > reach.x1 || p.b.y0 < reach.y0 || p.b.y1 > reach.y1) {
        window_print("    clipping odst=", p.b);
        window_print(" to ", reach);
        zoom_message("\n");
        window_intersect(p.b, reach, p.b);
    }
    picture_set_window(dst, p.b);

    mapping.ux = p.b.x0 - (p.a.x0 - 0.5) * mapping.sx - mapping.tx;
    mapping.uy = p.b.y0 - (p.a.y0 - 0.5) * mapping.sy - mapping.ty;
    p.map = mapping;
    if (p.a.nx <= 0 || p.a.ny <= 0 || p.b.nx <= 0 || p.b.ny <= 0) return ZOOM_OK;

    // The option is a byte flag: only its low byte counts.
    const int coerce = static_cast<uint8_t>(options.coerce);
    p.xf = coerce_to_point("x", coerce, &xfilter, p.xs, mapping.sx, mapping.ux);
    p.yf = coerce_to_point("y", coerce, &yfilter, p.ys, mapping.sy, mapping.uy);

    const bool xfirst = horizontal_first(options, p);
    if (std::strcmp(p.xf->name, "point") == 0 && std::strcmp(p.yf->name, "point") == 0) {
        return zoom_nearest(p);
    }
    return xfirst ? zoom_xfirst(p) : zoom_yfirst(p);
}
