// The convolver: both derivative kernels sampled from one bordered copy of
// the height picture (byte 3 of every pixel word).
#include <algorithm>
#include <new>

#include "normalmap/normalmap.h"

namespace {

// A height byte scaled towards 0..1.
constexpr double HEIGHT_UNIT = 0.003921569;

}  // namespace

float Convolver::value(int32_t k, int32_t x, int32_t y) const {
    const ConvolutionKernel& kernel = kernels[k];
    const BorderExtents& e = bordered.extents;
    double sum = 0.0;
    for (int32_t i = 0; i < kernel.count; ++i) {
        const KernelElement& el = kernel.m_pElements[i];
        const int64_t column = static_cast<int64_t>(x) + el.dx - e.min_dx;
        const int64_t row = static_cast<int64_t>(y) + el.dy - e.min_dy;
        const uint8_t h = bordered.bin.pixels[(row * bordered.bin.width + column) * 4 + 3];
        sum += (h * HEIGHT_UNIT) * static_cast<double>(el.weight);
    }
    return static_cast<float>(sum);
}

int64_t Convolver::row_scratch_size() const {
    const BorderExtents& e = bordered.extents;
    return static_cast<int64_t>(source->width) +
           (static_cast<int64_t>(e.max_dy) - e.min_dy + 1) * bordered.bin.width;
}

// The same sums as value(), element after element across the whole row, so
// that the inner loop runs over contiguous doubles. The scaled heights of the
// rows the kernels reach are made once per call; each is the same double
// that value() forms, so the sums agree bit for bit. Elements of weight zero
// add +0 to a running sum that starts at +0 and therefore can never be -0:
// leaving them out changes no bit of the result.
void Convolver::row_values(int32_t k, int32_t y, float* out, double* scratch) const {
    const ConvolutionKernel& kernel = kernels[k];
    const BorderExtents& e = bordered.extents;
    const int32_t width = source->width;
    const int64_t bw = bordered.bin.width;
    const int32_t span = e.max_dy - e.min_dy + 1;
    double* sum = scratch;
    double* rows = scratch + width;  // span rows of bw scaled heights
    const uint8_t* first = bordered.bin.pixels + static_cast<int64_t>(y) * bw * 4 + 3;
    for (int64_t i = 0; i < span * bw; ++i) rows[i] = first[4 * i] * HEIGHT_UNIT;
    std::fill(sum, sum + width, 0.0);
    for (int32_t i = 0; i < kernel.count; ++i) {
        const KernelElement& el = kernel.m_pElements[i];
        if (el.weight == 0.0f) continue;
        const double w = el.weight;
        const double* h = rows + (static_cast<int64_t>(el.dy) - e.min_dy) * bw + (el.dx - e.min_dx);
        for (int32_t x = 0; x < width; ++x) sum[x] += h[x] * w;
    }
    for (int32_t x = 0; x < width; ++x) out[x] = static_cast<float>(sum[x]);
}

NormalMapMaker::~NormalMapMaker() = default;

int32_t NormalMapMaker::InitializeConvolver(const ConvolutionKernel& xkernel,
                                            const ConvolutionKernel& ykernel,
                                            const ImageBin* const* image, bool wrap) {
    convolver.reset();
    // The reports of these two cases are discarded: the caller's own message
    // about the failed set-up says what matters.
    if (!image) return -1;   // "NormalMapMaker::InitializeConvolver input image handle NULL"
    if (!*image) return -2;  // "NormalMapMaker::InitializeConvolver input image ptr NULL!"
    const ImageBin& source = **image;
    // Sampling reads byte 3 of 4-byte pixels.
    if (image_bin_bytes_per_pixel(source.format) != 4) return -3;

    std::unique_ptr<Convolver> c(new (std::nothrow) Convolver());
    if (!c) return -4;
    try {
        c->kernels.reset(new ConvolutionKernel[2]);
        c->kernels[0] = xkernel;
        c->kernels[1] = ykernel;
    } catch (const std::bad_alloc&) {
        return -4;
    }
    c->kernel_count = 2;
    c->source = &source;

    BorderExtents e;
    for (int32_t k = 0; k < 2; ++k) {
        int32_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;
        c->kernels[k].GetKernelExtents(&x0, &x1, &y0, &y1);
        e.min_dx = std::min(e.min_dx, x0);
        e.max_dx = std::max(e.max_dx, x1);
        e.min_dy = std::min(e.min_dy, y0);
        e.max_dy = std::max(e.max_dy, y1);
    }
    const int32_t made = make_bordered_copy(source, e, wrap, c->bordered);
    if (made != 0) return made == -2 ? -4 : -3;
    convolver = std::move(c);
    return 0;
}
