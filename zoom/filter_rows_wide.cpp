// Four-channel rows of the horizontal pass with a pixel's channels in the
// four lanes of a double vector: per tap one conversion, one product and one
// sum for all four channels, in the plain loop's order.
#include <cstring>

#include "cpu/cpu.h"
#include "zoom/filter_rows.h"

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>

#define WIDE __attribute__((target("avx2")))

namespace {
WIDE inline __m256d load4(const uint8_t* p) {
    int32_t four;
    std::memcpy(&four, p, 4);
    return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(four)));
}
WIDE inline __m256d load4(const float* p) { return _mm256_cvtps_pd(_mm_loadu_ps(p)); }

template <typename In, typename Out, typename Store>
WIDE void filter_four(const WeightTable* tables, const In* src, Out* dst, int n) {
    for (int i = 0; i < n; ++i) {
        const WeightTable& t = tables[i];
        __m256d sum = _mm256_setzero_pd();
        const In* p = src + static_cast<std::ptrdiff_t>(t.i0) * 4;
        for (int k = 0; k < t.i1 - t.i0; ++k, p += 4) {
            const __m256d w = _mm256_set1_pd(static_cast<double>(t.weights[k]));
            sum = _mm256_add_pd(sum, _mm256_mul_pd(load4(p), w));
        }
        alignas(32) double lanes[4];
        _mm256_store_pd(lanes, sum);
        Out* out = dst + static_cast<std::ptrdiff_t>(i) * 4;
        for (int c = 0; c < 4; ++c) Store::put(out + c, lanes[c]);
    }
}
}  // namespace

bool filter_rows4_wide(int code, const WeightTable* tables, const void* src, void* dst, int n) {
    if (!cpu_has_avx2()) return false;
    switch (code) {
        case scanline_pair(SCANLINE_BYTE4, SCANLINE_BYTE4):
            filter_four<uint8_t, uint8_t, StoreByte>(tables, static_cast<const uint8_t*>(src),
                                                     static_cast<uint8_t*>(dst), n);
            return true;
        case scanline_pair(SCANLINE_BYTE4, SCANLINE_SHORT4):
            filter_four<uint8_t, int16_t, StoreShort>(tables, static_cast<const uint8_t*>(src),
                                                      static_cast<int16_t*>(dst), n);
            return true;
        case scanline_pair(SCANLINE_FLOAT4, SCANLINE_BYTE4):
            filter_four<float, uint8_t, StoreByte>(tables, static_cast<const float*>(src),
                                                   static_cast<uint8_t*>(dst), n);
            return true;
        case scanline_pair(SCANLINE_FLOAT4, SCANLINE_FLOAT4):
            filter_four<float, float, StoreFloat>(tables, static_cast<const float*>(src),
                                                  static_cast<float*>(dst), n);
            return true;
        default:
            return false;
    }
}
#else
bool filter_rows4_wide(int, const WeightTable*, const void*, void*, int) { return false; }
#endif
