// Horizontal filtering and vertical accumulation of scanlines. The type
// dispatch happens once per row; the loops below it run over plain arrays.
// Sums are formed in double, one tap after the other in index order, so the
// bytes produced do not depend on how the loops are compiled.
#include <cstddef>
#include <cstdint>

#include "zoom/accum_rows.h"
#include "zoom/filter_rows.h"
#include "zoom/scanline.h"

namespace {
void report_pair(const char* op, int src_type, int dst_type) {
    zoom_message("scanline_%s: bad type combination: %d & %d\n", op, src_type, dst_type);
    zoom_abort(1);
}

template <typename In>
void accum_values(double weight, const In* src, float* dst, int n) {
    for (int i = 0; i < n; ++i) {
        dst[i] =
            static_cast<float>(static_cast<double>(dst[i]) + weight * static_cast<double>(src[i]));
    }
}
}  // namespace

void scanline_filter(const WeightTable* tables, const Scanline& src, Scanline& dst) {
    const int code = scanline_pair(src.type, dst.type);
    const void* in = src.data;
    void* out = dst.data;
    const bool ok = in && out;
    const int n = dst.len;
    const int both_four = scanline_pair(SCANLINE_FOUR, SCANLINE_FOUR);
    if (ok && (code & both_four) == both_four && filter_rows4_wide(code, tables, in, out, n))
        return;
    switch (code) {
        case scanline_pair(SCANLINE_BYTE, SCANLINE_SHORT):
            if (ok)
                filter_rows<1, uint8_t, int16_t, StoreShort>(
                    tables, static_cast<const uint8_t*>(in), static_cast<int16_t*>(out), n);
            return;
        case scanline_pair(SCANLINE_FLOAT, SCANLINE_BYTE):
            if (ok)
                filter_rows<1, float, uint8_t, StoreByte>(tables, static_cast<const float*>(in),
                                                          static_cast<uint8_t*>(out), n);
            return;
        case scanline_pair(SCANLINE_BYTE4, SCANLINE_BYTE4):
            if (ok)
                filter_rows<4, uint8_t, uint8_t, StoreByte>(tables, static_cast<const uint8_t*>(in),
                                                            static_cast<uint8_t*>(out), n);
            return;
        case scanline_pair(SCANLINE_BYTE4, SCANLINE_SHORT4):
            if (ok)
                filter_rows<4, uint8_t, int16_t, StoreShort>(
                    tables, static_cast<const uint8_t*>(in), static_cast<int16_t*>(out), n);
            return;
        case scanline_pair(SCANLINE_FLOAT4, SCANLINE_BYTE4):
            if (ok)
                filter_rows<4, float, uint8_t, StoreByte>(tables, static_cast<const float*>(in),
                                                          static_cast<uint8_t*>(out), n);
            return;
        case scanline_pair(SCANLINE_FLOAT4, SCANLINE_FLOAT4):
            if (ok)
                filter_rows<4, float, float, StoreFloat>(tables, static_cast<const float*>(in),
                                                         static_cast<float*>(out), n);
            return;
        default:
            report_pair("filter", src.type, dst.type);
            return;
    }
}

void scanline_accum(float weight, const Scanline& src, Scanline& dst) {
    if (weight == 0.0f) return;
    const double w = weight;
    float* out = static_cast<float*>(dst.data);
    const bool ok = src.data && out;
    switch (src.type) {
        case SCANLINE_BYTE:
            if (ok) accum_bytes(w, static_cast<const uint8_t*>(src.data), out, dst.len);
            return;
        case SCANLINE_SHORT:
            if (ok) accum_values(w, static_cast<const int16_t*>(src.data), out, dst.len);
            return;
        case SCANLINE_BYTE4:
            if (ok) accum_bytes(w, static_cast<const uint8_t*>(src.data), out, dst.len * 4);
            return;
        case SCANLINE_SHORT4:
            if (ok) accum_values(w, static_cast<const int16_t*>(src.data), out, dst.len * 4);
            return;
        case SCANLINE_FLOAT4:
            if (ok) accum_values(w, static_cast<const float*>(src.data), out, dst.len * 4);
            return;
        default:
            report_pair("accum", src.type, dst.type);
            return;
    }
}
