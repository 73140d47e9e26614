// The two separable passes. Both keep a ring of source rows indexed by row
// number, so that while output rows advance through the source each source
// row is read (and, horizontal first, filtered) once; sums are accumulated
// in float32 accumulators and rounded to bytes once per output row.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <vector>

#include "workpool/workpool.h"
#include "zoom/passes.h"
#include "zoom/scanline.h"
#include "zoom/weighttab.h"

namespace {
// What every band of a pass reads: the horizontal tables (made once per
// call), the row order and the row types.
struct PassTables {
    int e = 0;  // 0 for one-channel pictures, 4 otherwise
    int t = 0;  // scanline type of rows read from and written to pictures
    bool feedback = false;
    std::vector<float> xpool;
    std::vector<WeightTable> xtab;
    std::vector<int> order;
};

// The working rows of one band of output rows (the whole picture on one
// thread): its vertical table, ring of source rows and row buffers.
struct SeparableState {
    std::vector<float> ypool;
    WeightTable ytab{};
    std::vector<Scanline> ring;
    WrittenRows written;
    Scanline tbuf;   // rows on their way in or out of a picture
    Scanline accum;  // the float sums of one output row
    SeparableState() = default;
    SeparableState(const SeparableState&) = delete;
    SeparableState& operator=(const SeparableState&) = delete;
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

// Horizontal tables once per call and the row order. Every table gets room
// for width + 1 taps.
void setup_tables(const ZoomPass& p, PassTables& tb) {
    tb.e = p.src->get_nchan() == 1 ? 0 : 4;
    tb.t = tb.e | p.options.intermediate_type;
    tb.feedback = p.src == p.dst && window_overlap(p.a, p.b);

    const int xstride = p.xs.width + 1;
    tb.xpool.assign(static_cast<size_t>(p.b.nx) * xstride, 0.0f);
    tb.xtab.assign(p.b.nx, WeightTable{});
    for (int i = 0; i < p.b.nx; ++i) {
        tb.xtab[i].weights = &tb.xpool[static_cast<size_t>(i) * xstride];
        make_weighttab(p.b.x0 + i, (p.map.ux + i) / p.map.sx, *p.xf, p.xs, p.a.nx,
                       p.options.trim_zeros, tb.xtab[i], p.options.verbosity);
    }
    order_rows(p.map.sy, p.map.ty, p.ys.support, p.a.y0, p.b.y0, p.b.ny, tb.feedback, tb.order);
}

// Vertical table storage, the ring of `ring_len`-pixel rows and the two row
// buffers of one band. False when a buffer could not be had.
bool setup_rows(const ZoomPass& p, const PassTables& tb, int ring_len, int tbuf_len, int accum_len,
                SeparableState& st) {
    st.ypool.assign(p.ys.width + 1, 0.0f);
    st.ytab.weights = st.ypool.data();

    // Source row j lives in slot j mod ys.width. A window of fewer rows
    // never wraps, so the ring need not be longer than the window.
    const int slots = std::max(1, std::min(p.ys.width, p.a.ny));
    st.ring.assign(slots, Scanline{});
    for (Scanline& s : st.ring) {
        scanline_alloc(s, tb.t, ring_len);
        s.row = -1;
    }
    st.written.init(p.a, p.b);
    scanline_alloc(st.tbuf, tb.t, tbuf_len);
    scanline_alloc(st.accum, tb.e | SCANLINE_FLOAT, accum_len);
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
bool claim_slot(const ZoomPass& p, const PassTables& tb, int j, SeparableState& st,
                Scanline*& slot) {
    slot = &st.ring[j % static_cast<int>(st.ring.size())];
    if (slot->row == j) return false;
    if (p.options.verbosity >= 1) zoom_message("%d ", p.a.y0 + j);
    if (tb.feedback && st.written.written(p.a.y0 + j)) {
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

void filter_row(const PassTables& tb, const Scanline& src, Scanline& dst) {
    if (src.type == SCANLINE_BYTE && dst.type == SCANLINE_BYTE) {
        filter_byte_rows(tb.xtab.data(), src, dst);
    } else {
        scanline_filter(tb.xtab.data(), src, dst);
    }
}
// Output rows order[k0 .. k1 - 1]: for each, the weighted sum of its source
// rows, each loaded into its ring slot by `load` the first time the band
// needs it, made into the output row in tbuf by `finish` and written out.
// A row's sum is the same whichever band makes it: its weights, its source
// rows and the order they are added in depend on the row alone.
template <class Load, class Finish>
void run_rows(const ZoomPass& p, const PassTables& tb, SeparableState& st, int k0, int k1,
              Load load, Finish finish) {
    for (int k = k0; k < k1; ++k) {
        const int r = tb.order[k];
        begin_row(p, r, st);
        scanline_zero(st.accum);
        for (int j = st.ytab.i0; j < st.ytab.i1; ++j) {
            Scanline* slot = nullptr;
            if (claim_slot(p, tb, j, st, slot)) load(st, j, *slot);
            scanline_accum(st.ytab.weights[j - st.ytab.i0], *slot, st.accum);
        }
        finish(st);
        end_row(p, r, st.tbuf, st);
    }
}

// Output rows below this many pixels in all are made on one thread: the
// bands' set-up and the source rows each band reads again would cost more
// than they save.
constexpr int64_t BAND_MIN_PIXELS = 16384;
constexpr int64_t BAND_MIN_ROWS = 8;

// The bands of output rows a pass is cut into: one for a small picture, a
// picture resampled onto itself, a verbose call or no pool.
int64_t pass_bands(const ZoomPass& p, const PassTables& tb) {
    WorkPool* pool = p.options.pool;
    if (!pool || tb.feedback || p.options.verbosity != 0) return 1;
    const int64_t min_rows =
        std::max<int64_t>(BAND_MIN_ROWS, (BAND_MIN_PIXELS + p.b.nx - 1) / p.b.nx);
    return band_count(pool, p.b.ny, min_rows);
}

// Runs the pass over every output row: in bands of rows on the options'
// pool when the picture is large enough and no row is read after it was
// written (a picture resampled onto itself), otherwise in one piece. Each
// band has its own rows and ring; the tables are shared and only read.
template <class Load, class Finish>
int run_pass(const ZoomPass& p, const PassTables& tb, int ring_len, int tbuf_len, int accum_len,
             Load load, Finish finish) {
    const int64_t bands = pass_bands(p, tb);
    if (bands == 1) {
        SeparableState st;
        if (!setup_rows(p, tb, ring_len, tbuf_len, accum_len, st)) return ZOOM_NO_MEMORY;
        run_rows(p, tb, st, 0, p.b.ny, load, finish);
        return ZOOM_OK;
    }
    std::atomic<bool> short_of_memory{false};
    p.options.pool->run(bands, [&](int64_t i) {
        const RowBand band = band_of(p.b.ny, bands, i);
        SeparableState st;
        if (!setup_rows(p, tb, ring_len, tbuf_len, accum_len, st)) {
            short_of_memory = true;
            return;
        }
        run_rows(p, tb, st, static_cast<int>(band.begin), static_cast<int>(band.end), load, finish);
    });
    return short_of_memory ? ZOOM_NO_MEMORY : ZOOM_OK;
}
}  // namespace

int zoom_xfirst(const ZoomPass& p) {
    report_header(p, true);
    PassTables tb;
    setup_tables(p, tb);
    // Source rows are filtered across as they come in; the sums are shifted
    // back to the row type.
    return run_pass(
        p, tb, p.b.nx, std::max(p.a.nx, p.b.nx), p.b.nx,
        [&](SeparableState& st, int j, Scanline& slot) {
            st.tbuf.len = p.a.nx;
            scanline_read(p.src, p.a.x0, p.a.y0 + j, st.tbuf);
            filter_row(tb, st.tbuf, slot);
        },
        [&](SeparableState& st) {
            st.tbuf.len = p.b.nx;
            scanline_shift(st.accum, st.tbuf);
        });
}

namespace {
// Sums of every output row over column bands. A pass that shrinks a wide
// picture to a few rows cannot be shared out by output rows, yet nearly all
// its work is adding source rows up, pixel by pixel; a pixel's sum is the
// same whichever thread forms it, so each band of columns adds up its part
// of every output row (with a ring of its own), and the rows are then
// filtered across and written in order.
// Column bands are worth it from this many source rows on, take at least
// this many columns each, and keep their sums for every output row up to
// this size.
constexpr int64_t COLUMN_BAND_MIN_ROWS = 64;
constexpr int64_t COLUMN_BAND_MIN_PIXELS = 256;
constexpr size_t COLUMN_BAND_MAX_BYTES = size_t(64) << 20;

bool column_bands(const ZoomPass& p, const PassTables& tb) {
    WorkPool* pool = p.options.pool;
    if (!pool || pass_bands(p, tb) > 1 || p.a.ny < COLUMN_BAND_MIN_ROWS) return false;
    if (tb.feedback || p.options.verbosity != 0) return false;
    const size_t row_bytes =
        static_cast<size_t>(p.a.nx) * scanline_pixel_bytes(tb.e | SCANLINE_FLOAT);
    if (row_bytes == 0 || row_bytes * p.b.ny > COLUMN_BAND_MAX_BYTES) return false;
    std::vector<uint8_t> sums;
    try {
        sums.resize(row_bytes * p.b.ny);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const int pixel = scanline_pixel_bytes(tb.e | SCANLINE_FLOAT);
    const auto sum_row = [&](int r, int x0, int len) {
        Scanline s;
        s.type = tb.e | SCANLINE_FLOAT;
        s.len = len;
        s.data = sums.data() + row_bytes * static_cast<size_t>(r) + static_cast<size_t>(x0) * pixel;
        return s;
    };
    std::atomic<bool> short_of_memory{false};
    run_bands(pool, p.a.nx, COLUMN_BAND_MIN_PIXELS, [&](int64_t begin, int64_t end) {
        const int x0 = static_cast<int>(begin), len = static_cast<int>(end - begin);
        SeparableState st;
        if (!setup_rows(p, tb, len, 1, 1, st)) {
            short_of_memory = true;
            return;
        }
        for (int k = 0; k < p.b.ny; ++k) {
            const int r = tb.order[k];
            begin_row(p, r, st);
            Scanline sum = sum_row(r, x0, len);
            for (int j = st.ytab.i0; j < st.ytab.i1; ++j) {
                Scanline* slot = nullptr;
                if (claim_slot(p, tb, j, st, slot))
                    scanline_read(p.src, p.a.x0 + x0, p.a.y0 + j, *slot);
                scanline_accum(st.ytab.weights[j - st.ytab.i0], *slot, sum);
            }
        }
    });
    if (short_of_memory) return false;
    Scanline tbuf;
    scanline_alloc(tbuf, tb.t, p.b.nx);
    if (missing(tbuf)) return false;
    for (int k = 0; k < p.b.ny; ++k) {
        const int r = tb.order[k];
        filter_row(tb, sum_row(r, 0, p.a.nx), tbuf);
        scanline_write(p.dst, p.b.x0, p.b.y0 + r, tbuf);
    }
    scanline_free(tbuf);
    return true;
}
}  // namespace

int zoom_yfirst(const ZoomPass& p) {
    report_header(p, false);
    PassTables tb;
    setup_tables(p, tb);
    // Source rows come in as they are; the sums are filtered across.
    if (column_bands(p, tb)) return ZOOM_OK;
    return run_pass(
        p, tb, p.a.nx, p.b.nx, p.a.nx,
        [&](SeparableState&, int j, Scanline& slot) {
            scanline_read(p.src, p.a.x0, p.a.y0 + j, slot);
        },
        [&](SeparableState& st) { filter_row(tb, st.accum, st.tbuf); });
}
