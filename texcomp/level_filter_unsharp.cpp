// The unsharp mask (method 16): a Gaussian-blurred copy of the level is
// subtracted from the level and the difference, scaled by the amount, added
// back where it is not below the threshold.
//
// The blur runs over the rows, then over the columns, rounding to bytes after
// each. Near an edge only the taps that fall inside the row (or column) count
// and the sum is divided by their weights, so the border does not darken; a
// position the whole kernel covers is not divided. Sums run left to right
// (top to bottom) in double; the interior loops accumulate one tap at a time
// across a whole row, which keeps that order for every byte.
#include <cmath>

#include "texcomp/level_filter.h"

namespace {

uint8_t round_byte(double x) {
    const double t = std::trunc(x + 0.5);
    if (!(t > 0.0)) return 0;
    if (t >= 255.0) return 255;
    return static_cast<uint8_t>(t);
}

// Largest radius magnitude honoured: beyond any level side a wider kernel
// only costs time.
constexpr double MAX_RADIUS = 32767.0;

struct Blur {
    const std::vector<double>& taps;
    int32_t n, m;  // tap count, centre index
    int32_t bpp;

    // Partial sum at position p of a line of `len` pixels whose byte c of
    // pixel q is at src[q * stride + c].
    double partial(const uint8_t* src, int64_t stride, int32_t len, int32_t p, int32_t c) const {
        double s = 0.0, wsum = 0.0;
        for (int32_t i = 0; i < n; ++i) {
            const int32_t q = p + i - m;
            if (q < 0 || q >= len) continue;
            s += taps[i] * src[q * stride + c];
            wsum += taps[i];
        }
        return s / wsum;
    }
};

void blur_rows(const Blur& b, const LevelView& level, uint8_t* out, std::vector<double>& line) {
    const int32_t w = level.width, bpp = level.bpp;
    const int64_t row_len = static_cast<int64_t>(w) * bpp;
    const int32_t first = b.m, last = w - b.m;  // pixels [first, last) see every tap
    for (int32_t y = 0; y < level.height; ++y) {
        const uint8_t* src = level.row(y);
        uint8_t* dst = out + y * row_len;
        if (first < last) {
            const int64_t j0 = static_cast<int64_t>(first) * bpp,
                          j1 = static_cast<int64_t>(last) * bpp;
            double* acc = line.data();
            for (int64_t j = j0; j < j1; ++j) acc[j] = 0.0;
            for (int32_t i = 0; i < b.n; ++i) {
                const double t = b.taps[i];
                const uint8_t* s = src + static_cast<int64_t>(i - b.m) * bpp;
                for (int64_t j = j0; j < j1; ++j) acc[j] += t * s[j];
            }
            for (int64_t j = j0; j < j1; ++j) dst[j] = round_byte(acc[j]);
        }
        for (int32_t x = 0; x < w; ++x) {
            if (x >= first && x < last) continue;
            for (int32_t c = 0; c < bpp; ++c)
                dst[static_cast<int64_t>(x) * bpp + c] = round_byte(b.partial(src, bpp, w, x, c));
        }
    }
}

// The column blur of row y from the row-blurred picture, into line[0..row_len).
void blur_column_row(const Blur& b, const uint8_t* rows, int64_t row_len, int32_t height, int32_t y,
                     std::vector<double>& line) {
    double* acc = line.data();
    for (int64_t j = 0; j < row_len; ++j) acc[j] = 0.0;
    if (y >= b.m && y < height - b.m) {
        for (int32_t i = 0; i < b.n; ++i) {
            const double t = b.taps[i];
            const uint8_t* s = rows + static_cast<int64_t>(y + i - b.m) * row_len;
            for (int64_t j = 0; j < row_len; ++j) acc[j] += t * s[j];
        }
        return;
    }
    double wsum = 0.0;
    for (int32_t i = 0; i < b.n; ++i) {
        const int32_t q = y + i - b.m;
        if (q < 0 || q >= height) continue;
        const double t = b.taps[i];
        const uint8_t* s = rows + static_cast<int64_t>(q) * row_len;
        for (int64_t j = 0; j < row_len; ++j) acc[j] += t * s[j];
        wsum += t;
    }
    for (int64_t j = 0; j < row_len; ++j) acc[j] = acc[j] / wsum;
}

}  // namespace

void unsharp_taps(float radius, std::vector<double>& taps) {
    double r = std::fabs(static_cast<double>(radius));
    if (std::isnan(r)) r = 0.0;
    if (r > MAX_RADIUS) r = MAX_RADIUS;
    const double sigma = r + 1.0;
    const int32_t n = 2 * static_cast<int32_t>(std::ceil(2.0 * sigma - 0.5)) + 1;
    const int32_t m = n / 2;
    const double two_s2 = 2.0 * sigma * sigma;
    const double reach = 2.0 * sigma;
    auto g = [two_s2](double t) { return std::exp(-(t * t) / two_s2); };
    taps.assign(static_cast<size_t>(n), 0.0);
    for (int32_t d = 1; d <= m; ++d) {
        double s = 0.0;
        for (int32_t k = 1; k <= 50; ++k) {
            const double t = (d - 0.5) + 0.02 * k;
            if (t <= reach) s += g(t);
        }
        taps[static_cast<size_t>(m + d)] = taps[static_cast<size_t>(m - d)] = 0.02 * s;
    }
    // The centre tap samples 0.5 .. 1.5, not -0.5 .. 0.5.
    double s = 0.0;
    for (int32_t k = 0; k <= 50; ++k) {
        const double t = 0.5 + 0.02 * k;
        if (t <= reach) s += g(t);
    }
    taps[static_cast<size_t>(m)] = (1.0 / 51.0) * s;
    double total = 0.0;
    for (double t : taps) total += t;
    for (double& t : taps) t = t / total;
}

void unsharp_level(LevelFilterState& state, const LevelView& level) {
    unsharp_taps(state.unsharp_radius, state.taps);
    const int32_t n = static_cast<int32_t>(state.taps.size());
    const Blur b{state.taps, n, n / 2, level.bpp};
    const int64_t row_len = static_cast<int64_t>(level.width) * level.bpp;
    state.picture.resize(static_cast<size_t>(row_len * level.height));
    state.line.resize(static_cast<size_t>(row_len));
    blur_rows(b, level, state.picture.data(), state.line);

    const double amount = state.unsharp_amount;
    const int32_t threshold = state.unsharp_threshold;
    for (int32_t y = 0; y < level.height; ++y) {
        blur_column_row(b, state.picture.data(), row_len, level.height, y, state.line);
        uint8_t* p = level.row(y);
        for (int64_t j = 0; j < row_len; ++j) {
            const int32_t u = p[j];
            int32_t d = u - round_byte(state.line[j]);
            if (std::abs(2 * d) < threshold) d = 0;
            const double v = std::trunc(u + amount * d);
            p[j] = !(v > 0.0) ? 0 : v >= 255.0 ? 255 : static_cast<uint8_t>(v);
        }
    }
}
