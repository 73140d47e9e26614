// The error of a DXT1 level against its 24-bit twin over red, green and
// blue, shared by --compare and the viewer's overlay so both show one figure.
#include <cmath>

#include "inspect/inspect.h"

double LevelError::mse() const { return samples > 0 ? sse / samples : 0; }

double LevelError::rmse() const { return std::sqrt(mse()); }

double LevelError::psnr() const {
    return mse() > 0 ? 10.0 * std::log10(255.0 * 255.0 / mse()) : INFINITY;
}

LevelError level_error(const TexImage& a, const TexImage& b) {
    LevelError e;
    const size_t pixels = static_cast<size_t>(a.width) * a.height;
    for (size_t i = 0; i < pixels; ++i)
        for (int k = 0; k < 3; ++k) {
            const double d = static_cast<double>(a.pixels[i * a.channels + k]) -
                             static_cast<double>(b.pixels[i * b.channels + k]);
            e.sse += d * d;
        }
    e.samples = 3.0 * pixels;
    return e;
}
