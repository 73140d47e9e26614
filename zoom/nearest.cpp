// Point sampling on both axes: every output pixel copies the source pixel
// whose cell contains its centre. No weights, no arithmetic on the values.
#include <cstring>
#include <vector>

#include "zoom/numeric.h"
#include "zoom/passes.h"

int zoom_nearest(const ZoomPass& p) {
    const ZoomWindow& a = p.a;
    const ZoomWindow& b = p.b;
    const ZoomMapping& m = p.map;
    const bool feedback = p.src == p.dst && window_overlap(a, b);
    zoom_message("-map %g %g %g %g\n", m.sx, m.sy, m.tx, m.ty);

    const bool one_channel = p.src->get_nchan() == 1;
    const int px = one_channel ? 1 : 4;
    std::vector<uint8_t> src_row(static_cast<size_t>(a.nx) * px, 0);
    std::vector<uint8_t> dst_row(static_cast<size_t>(b.nx) * px, 0);

    // A filter coerced to point may have had a wider support when the reach
    // was computed, so an output pixel near the edge can map just outside
    // the source window: such pixels repeat the edge pixel.
    std::vector<int> col(b.nx, 0);
    for (int i = 0; i < b.nx; ++i) col[i] = clamp_int(trunc_int((m.ux + i) / m.sx), 0, a.nx - 1);

    std::vector<int> order;
    order_rows(m.sy, m.ty, 0.5, a.y0, b.y0, b.ny, feedback, order);
    WrittenRows written;
    written.init(a, b);

    int prev = -1;
    for (int k = 0; k < b.ny; ++k) {
        const int r = order[k];
        const int sr = clamp_int(trunc_int((m.uy + r) / m.sy), 0, a.ny - 1);
        if (sr != prev) {
            if (feedback && written.written(a.y0 + sr)) {
                zoom_message("FEEDBACK ON LINE %d\n", a.y0 + sr);
            }
            if (one_channel) {
                p.src->read_row(a.y0 + sr, a.x0, a.nx, src_row.data());
                for (int i = 0; i < b.nx; ++i) dst_row[i] = src_row[col[i]];
            } else {
                p.src->read_row_rgba(a.y0 + sr, a.x0, a.nx, src_row.data());
                for (int i = 0; i < b.nx; ++i) {
                    std::memcpy(&dst_row[static_cast<size_t>(i) * 4],
                                &src_row[static_cast<size_t>(col[i]) * 4], 4);
                }
            }
        }
        if (one_channel) {
            p.dst->write_row(b.y0 + r, b.x0, b.nx, dst_row.data());
        } else {
            p.dst->write_row_rgba(b.y0 + r, b.x0, b.nx, dst_row.data());
        }
        written.mark(b.y0 + r);
        prev = sr;
    }
    return ZOOM_OK;
}
