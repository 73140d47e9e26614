// Convolution kernels: an owned list of weighted offsets.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "normalmap/normalmap.h"

ConvolutionKernel::ConvolutionKernel(const KernelElement* elements, int32_t n) {
    if (!elements || n <= 0) return;
    m_pElements.reset(new KernelElement[static_cast<size_t>(n)]);
    std::memcpy(m_pElements.get(), elements, sizeof(KernelElement) * static_cast<size_t>(n));
    count = n;
}

ConvolutionKernel::ConvolutionKernel(const ConvolutionKernel& other)
    : ConvolutionKernel(other.m_pElements.get(), other.count) {}

ConvolutionKernel& ConvolutionKernel::operator=(const ConvolutionKernel& other) {
    if (this != &other) *this = ConvolutionKernel(other);
    return *this;
}

int32_t ConvolutionKernel::GetKernelExtents(int32_t* min_dx, int32_t* max_dx, int32_t* min_dy,
                                            int32_t* max_dy) const {
    if (!min_dx || !max_dx || !min_dy || !max_dy) {
        normalmap_report("ConvolutionKernel::GetKernelExtents() Input pointer is null!\n");
        return -1;
    }
    if (!m_pElements || count <= 0) {
        if (!m_pElements)
            normalmap_report(
                "ConvolutionKernel::GetKernelExtents() You must initialize the m_pElements "
                "pointer!\n");
        else
            normalmap_report("ConvolutionKernel::GetKernelExtents() Kernel has no elements!\n");
        *min_dx = *max_dx = *min_dy = *max_dy = 0;
        return -1;
    }
    int32_t x0 = m_pElements[0].dx, x1 = x0, y0 = m_pElements[0].dy, y1 = y0;
    for (int32_t i = 1; i < count; ++i) {
        x0 = std::min(x0, m_pElements[i].dx);
        x1 = std::max(x1, m_pElements[i].dx);
        y0 = std::min(y0, m_pElements[i].dy);
        y1 = std::max(y1, m_pElements[i].dy);
    }
    *min_dx = x0;
    *max_dx = x1;
    *min_dy = y0;
    *max_dy = y1;
    return 0;
}

void normalise_kernel(ConvolutionKernel& kernel) {
    double sum = 0.0;
    for (int32_t i = 0; i < kernel.count; ++i)
        sum += std::fabs(static_cast<double>(kernel.m_pElements[i].weight));
    if (sum == 0.0) return;
    for (int32_t i = 0; i < kernel.count; ++i)
        kernel.m_pElements[i].weight =
            static_cast<float>(static_cast<double>(kernel.m_pElements[i].weight) / sum);
}
