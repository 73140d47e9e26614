// The two separable passes. Both keep a ring of source rows indexed by row
// number, so that while output rows advance through the source each source
// row is read (and, horizontal first, filtered) once; sums are accumulated
// in float32 accumulators and rounded to bytes once per output row.
#include <algorithm>
#include <vector>

#include "zoom/passes.h"
#include "zoom/scanline.h"
#include "zoom/weighttab.h"

namespace {
// The working state both passes share.
struct SeparableState {
    int e = 0;  // 0 for one-channel pictures, 4 otherwise
    int t = 0;  // scanline type of rows read from and written to pictures
    bool feedback = false;
    std::vector<float> xpool;
    std::vector<WeightTable> xtab;
    std::vector<float> ypool;
    WeightTable ytab{};
    std::vector<Scanline> ring;
    std::vector<int> order;
    WrittenRows written;
    Scanline tbuf;   // rows on their way in or out of a picture
    Scanline accum;  // the float sums of one output row
    ~SeparableState() {
        scanline_free(tbuf);
        scanline_free(accum);
        for (Scanline& s : ring) scanline_free(s);
    }
};

void report_header(const ZoomPass& p, bool xfirst) {
    const ZoomMapping& m = p.map;
    if (xfirst) {
        zoom_message("-xy -map %g %g %g %g\n", m.sx, m.sy, m.tx, m.ty);
        zoom_message("X: filt=%s support=%g,  scale=%g scaledsupport=%g width=%d\n", p.xf->name,
                     p.xf->support, p.xs.scale, p.xs.support, p.xs.width);
        zoom_message("Y: filt=%s support=%g,  scale=%g scaledsupport=%g width=%d\n", p.yf->name,
                     p.yf->support, p.ys.scale, p.ys.support, p.ys.width);
    } else {
        zoom_message("-yx -map %g %g %g %g\n", m.sx, m.sy, m.tx, m.ty);
        zoom_message("X: filt=%s supp=%g  scale=%g scaledsupp=%g wid=%d\n", p.xf->name,
                     p.xf->support, p.xs.scale, p.xs.support, p.xs.width);
        zoom_message("Y: filt=%s supp=%g  scale=%g scaledsupp=%g wid=%d\n", p.yf->name,
                     p.yf->support, p.ys.scale, p.ys.support, p.ys.width);
    }
}

// A buffer of a handled type that calloc could not give. (A type that is
// not handled has no buffer either; that was reported, and the pass goes on
// touching nothing, as every scanline operation promises.)
bool missing(const Scanline& s) { return !s.data && scanline_pixel_bytes(s.type) != 0; }

// Every row buffer of the pass is there (the ring rows, tbuf, accum).
bool buffers_ready(const SeparableState& st) {
    for (const Scanline& s : st.ring)
        if (missing(s)) return false;
    return !missing(st.tbuf) && !missing(st.accum);
}

// Horizontal tables once per call, vertical table storage, row order, the
// ring of `ring_len`-pixel rows and the two row buffers. Every table gets
// room for width + 1 taps. False when a buffer could not be had.
bool setup(const ZoomPass& p, int ring_len, int tbuf_len, int accum_len, SeparableState& st) {
    st.e = p.src->get_nchan() == 1 ? 0 : 4;
    st.t = st.e | p.options.intermediate_type;
    st.feedback = p.src == p.dst && window_overlap(p.a, p.b);

    const int xstride = p.xs.width + 1;
    st.xpool.assign(static_cast<size_t>(p.b.nx) * xstride, 0.0f);
    st.xtab.assign(p.b.nx, WeightTable{});
    for (int i = 0; i < p.b.nx; ++i) {
        st.xtab[i].weights = &st.xpool[static_cast<size_t>(i) * xstride];
        make_weighttab(p.b.x0 + i, (p.map.ux + i) / p.map.sx, *p.xf, p.xs, p.a.nx,
                       p.options.trim_zeros, st.xtab[i], p.options.verbosity);
    }
    st.ypool.assign(p.ys.width + 1, 0.0f);
    st.ytab.weights = st.ypool.data();

    // Source row j lives in slot j mod ys.width. A window of fewer rows
    // never wraps, so the ring need not be longer than the window.
    const int slots = std::max(1, std::min(p.ys.width, p.a.ny));
    st.ring.assign(slots, Scanline{});
    for (Scanline& s : st.ring) {
        scanline_alloc(s, st.t, ring_len);
        s.row = -1;
    }
    order_rows(p.map.sy, p.map.ty, p.ys.support, p.a.y0, p.b.y0, p.b.ny, st.feedback, st.order);
    st.written.init(p.a, p.b);
    scanline_alloc(st.tbuf, st.t, tbuf_len);
    scanline_alloc(st.accum, st.e | SCANLINE_FLOAT, accum_len);
    return buffers_ready(st);
}

// The vertical weights of output row r (relative to b.y0).
void begin_row(const ZoomPass& p, int r, SeparableState& st) {
    const int verbose = p.options.verbosity;
    if (verbose >= 1) zoom_message("by=%d: ", p.b.y0 + r);
    make_weighttab(p.b.y0 + r, (p.map.uy + r) / p.map.sy, *p.yf, p.ys, p.a.ny, 0, st.ytab, verbose);
    if (verbose >= 1) {
        zoom_message("ay=%d-%d, reading: ", p.a.y0 + st.ytab.i0, p.a.y0 + st.ytab.i1 - 1);
    }
}

// Claims the ring slot of source row j; true when the row must be loaded.
bool claim_slot(const ZoomPass& p, int j, SeparableState& st, Scanline*& slot) {
    slot = &st.ring[j % static_cast<int>(st.ring.size())];
    if (slot->row == j) return false;
    if (p.options.verbosity >= 1) zoom_message("%d ", p.a.y0 + j);
    if (st.feedback && st.written.written(p.a.y0 + j)) {
        zoom_message("FEEDBACK ON LINE %d\n", p.a.y0 + j);
    }
    slot->row = j;
    return true;
}

void end_row(const ZoomPass& p, int r, const Scanline& out, SeparableState& st) {
    scanline_write(p.dst, p.b.x0, p.b.y0 + r, out);
    st.written.mark(p.b.y0 + r);
    if (p.options.verbosity >= 1) zoom_message("\n");
}

// Byte rows of one channel filtered into byte rows: the horizontal-first
// pass needs it for one-channel pictures and the scanline pairs do not offer
// it. Same arithmetic as the four-channel byte pair.
void filter_byte_rows(const WeightTable* tables, const Scanline& src, Scanline& dst) {
    const uint8_t* in = static_cast<const uint8_t*>(src.data);
    uint8_t* out = static_cast<uint8_t*>(dst.data);
    if (!in || !out) return;
    for (int i = 0; i < dst.len; ++i) {
        double sum = 0.0;
        for (int k = tables[i].i0; k < tables[i].i1; ++k) {
            sum += static_cast<double>(in[k]) *
                   static_cast<double>(tables[i].weights[k - tables[i].i0]);
        }
        out[i] = round_to_byte(sum);
    }
}

void filter_row(const SeparableState& st, const Scanline& src, Scanline& dst) {
    if (src.type == SCANLINE_BYTE && dst.type == SCANLINE_BYTE) {
        filter_byte_rows(st.xtab.data(), src, dst);
    } else {
        scanline_filter(st.xtab.data(), src, dst);
    }
}
// Every output row in the pass's order: the weighted sum of its source rows,
// each loaded into its ring slot by `load` the first time it is needed, made
// into the output row in tbuf by `finish` and written out.
template <class Load, class Finish>
void run_rows(const ZoomPass& p, SeparableState& st, Load load, Finish finish) {
    for (int k = 0; k < p.b.ny; ++k) {
        const int r = st.order[k];
        begin_row(p, r, st);
        scanline_zero(st.accum);
        for (int j = st.ytab.i0; j < st.ytab.i1; ++j) {
            Scanline* slot = nullptr;
            if (claim_slot(p, j, st, slot)) load(j, *slot);
            scanline_accum(st.ytab.weights[j - st.ytab.i0], *slot, st.accum);
        }
        finish();
        end_row(p, r, st.tbuf, st);
    }
}
}  // namespace

int zoom_xfirst(const ZoomPass& p) {
    report_header(p, true);
    SeparableState st;
    if (!setup(p, p.b.nx, std::max(p.a.nx, p.b.nx), p.b.nx, st)) return ZOOM_NO_MEMORY;
    // Source rows are filtered across as they come in; the sums are shifted
    // back to the row type.
    run_rows(
        p, st,
        [&](int j, Scanline& slot) {
            st.tbuf.len = p.a.nx;
            scanline_read(p.src, p.a.x0, p.a.y0 + j, st.tbuf);
            filter_row(st, st.tbuf, slot);
        },
        [&] {
            st.tbuf.len = p.b.nx;
            scanline_shift(st.accum, st.tbuf);
        });
    return ZOOM_OK;
}

int zoom_yfirst(const ZoomPass& p) {
    report_header(p, false);
    SeparableState st;
    if (!setup(p, p.a.nx, p.b.nx, p.a.nx, st)) return ZOOM_NO_MEMORY;
    // Source rows come in as they are; the sums are filtered across.
    run_rows(
        p, st, [&](int j, Scanline& slot) { scanline_read(p.src, p.a.x0, p.a.y0 + j, slot); },
        [&] { filter_row(st, st.accum, st.tbuf); });
    return ZOOM_OK;
}
