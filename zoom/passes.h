// The resampler's inner workings, exposed for tests: the continuous-mapping
// entry behind zoom_opt and the passes it chooses between.
#pragma once

#include <vector>

#include "zoom/zoom.h"

// Maps window `swin` of src onto `dwin` of dst with the scales and offsets
// of `mapping` (sx, sy, tx, ty in; ux, uy out). The windows are copied, not
// modified; the destination picture gets the clipped window via set_box.
// Returns a zoom_opt result; memory that runs out inside the passes is
// thrown as std::bad_alloc, which zoom_opt turns into ZOOM_NO_MEMORY.
int zoom_continuous(const ZoomOptions& options, PictureDevice* src, const ZoomWindow& swin,
                    PictureDevice* dst, const ZoomWindow& dwin, ZoomMapping& mapping,
                    const ZoomFilter& xfilter, const ZoomFilter& yfilter);

// Everything one pass needs: the clipped windows a (source) and b
// (destination), the mapping, and the filter and its scaling for each axis
// after coercion.
struct ZoomPass {
    ZoomOptions options;
    PictureDevice* src;
    PictureDevice* dst;
    ZoomWindow a;
    ZoomWindow b;
    ZoomMapping map;
    const ZoomFilter* xf;
    const ZoomFilter* yf;
    FilterScaling xs;
    FilterScaling ys;
};

// Horizontal filter first, then the vertical sum of filtered rows.
int zoom_xfirst(const ZoomPass& pass);
// Vertical sum of source rows first, then the horizontal filter.
int zoom_yfirst(const ZoomPass& pass);
// Point sampling on both axes: no weights at all.
// Each pass returns ZOOM_OK, or ZOOM_NO_MEMORY when a row buffer could not be
// had (nothing has been written then).
int zoom_nearest(const ZoomPass& pass);

// The order in which `count` output rows are produced so that resampling a
// picture onto itself reads each source row before it is overwritten; with
// feedback 0 it is simply 0, 1, ..., count - 1. `order` gets count entries.
void order_rows(double sy, double ty, double support, int ay0, int by0, int count, int feedback,
                std::vector<int>& order);

// Rows of the destination already written, by absolute row index, so that a
// pass working in place can tell when it reads a row it has overwritten.
struct WrittenRows {
    std::vector<uint8_t> marks;
    void init(const ZoomWindow& a, const ZoomWindow& b);
    void mark(int row);
    bool written(int row) const;
};
