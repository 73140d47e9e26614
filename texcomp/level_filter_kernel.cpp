// The convolution kernels (methods 1..15 and 19).
//
// Sums, division and bias are evaluated in long double (the 80-bit extended
// format on x86-64): a kernel with fractional weights can land a sum a hair
// below a whole number, and the byte it truncates to depends on carrying
// those extra bits. Every tap is a float weight times a byte, which the 64-bit
// mantissa holds exactly, so only the additions round.
//
// Kernels with whole-number weights (every fixed kernel, most custom ones)
// give whole-number sums small enough to be exact in any order. Those are
// summed as integers and mapped to bytes through a table made with the very
// same long double formula, so both roads give the same bytes.
#include <cmath>
#include <cstring>

#include "texcomp/level_filter.h"

namespace {

constexpr FilterKernel inner(const char* name, float a, float b, float c, float d, float e, float f,
                             float g, float h, float i, float divisor, float bias) {
    return FilterKernel{
        name,
        {{0, 0, 0, 0, 0}, {0, a, b, c, 0}, {0, d, e, f, 0}, {0, g, h, i, 0}, {0, 0, 0, 0, 0}},
        divisor,
        bias};
}

constexpr FilterKernel centre(const char* name, float c, float divisor, float bias) {
    return inner(name, 0, 0, 0, 0, c, 0, 0, 0, 0, divisor, bias);
}

constexpr int32_t FIRST_FIXED = static_cast<int32_t>(SharpenMethod::Negative);
constexpr int32_t LAST_FIXED = static_cast<int32_t>(SharpenMethod::Sharpen9);
// One row per fixed method, in method order.
const FilterKernel fixed_kernels[LAST_FIXED - FIRST_FIXED + 1] = {
    centre("Negative", -1, 1, 255),
    centre("Lighter", 1, 1, 32),
    centre("Darker", 1, 1, -32),
    centre("Contrast More", 2, 1, -128),
    centre("Contrast Less", 1, 2, 64),
    inner("Smoothen", 1, 1, 1, 1, 5, 1, 1, 1, 1, 13, 0),
    inner("__Sharpen", -1, -1, -1, -1, 16, -1, -1, -1, -1, 8, 0),
    inner("__Sharpen", 0, -2, 0, -2, 11, -2, 0, -2, 0, 3, 0),
    inner("Sharpen Strong", -1, -1, -1, -1, 9, -1, -1, -1, -1, 1, 0),
    inner("__Find Edges", -1, -1, -1, -1, 8, -1, -1, -1, -1, 1, 0),
    inner("Countour", -1, -1, -1, -1, 8, -1, -1, -1, -1, 1, 255),
    inner("Edge Detect", 1, 1, 1, 1, -7, 1, 1, 1, 1, 1, 0),
    inner("Edge Detect Soft", 1, 1, 1, 1, -2, 1, 1, 1, 1, 6, 0),
    inner("Emboss", 1, 1, -1, 1, 1, -1, 1, -1, -1, 1, 0),
    inner("__Sharpen", -1, -1, -1, -1, 9, -1, -1, -1, -1, 1, 0),
};

// Clamp to 0..255, then truncate; NaN gives 0.
uint8_t to_byte(long double x) {
    if (!(x > 0.0L)) return 0;
    if (x >= 255.0L) return 255;
    return static_cast<uint8_t>(static_cast<int>(x));
}

uint8_t finish(long double sum, const FilterKernel& k) {
    return to_byte(sum / static_cast<long double>(k.divisor) + static_cast<long double>(k.bias));
}

// Whole-number weights whose absolute sum stays within this use the integer
// road; its table then has at most 255 x this + 1 entries.
constexpr float INTEGER_ROAD_LIMIT = static_cast<float>(KERNEL_TABLE_WEIGHT_LIMIT);

void single_tap(const FilterKernel& k, const LevelView& level) {
    const float c = k.weights[2][2];
    if (c == 1.0f && k.divisor == 1.0f && k.bias == 0.0f) return;
    uint8_t table[256];
    for (int v = 0; v < 256; ++v) table[v] = finish(static_cast<long double>(c) * v, k);
    const int64_t n = static_cast<int64_t>(level.width) * level.bpp;
    for (int32_t y = 0; y < level.height; ++y) {
        uint8_t* p = level.row(y);
        for (int64_t i = 0; i < n; ++i) p[i] = table[p[i]];
    }
}

// A K x K window (K = 3 or 5) centred on every pixel at least r = K / 2 from
// each edge. The rows are read from copies taken before they are written.
class Window {
  public:
    Window(LevelFilterState& state, const FilterKernel& k, int32_t size, const LevelView& level)
        : state_(state), k_(k), size_(size), r_(size / 2), level_(level) {
        const int32_t skip = (5 - size) / 2;  // rows/columns of the 5x5 outside the window
        for (int32_t i = 0; i < size; ++i)
            for (int32_t c = 0; c < size; ++c) w_[i][c] = k.weights[i + skip][c + skip];
        row_len_ = static_cast<int64_t>(level.width) * level.bpp;
        state.rows.resize(static_cast<size_t>(row_len_) * size);
    }

    void run() {
        for (int32_t y = 0; y < size_ - 1; ++y) copy_row(y);
        int32_t isum[5][5];
        int32_t lo = 0, hi = 0;
        const bool integer = integer_weights(isum, lo, hi);
        if (integer) {
            state_.table.resize(static_cast<size_t>(hi - lo) + 1);
            for (int32_t s = lo; s <= hi; ++s)
                state_.table[static_cast<size_t>(s - lo)] = finish(static_cast<long double>(s), k_);
            state_.sums.resize(static_cast<size_t>(row_len_));
        }
        for (int32_t y = r_; y < level_.height - r_; ++y) {
            copy_row(y + r_);
            if (integer)
                integer_row(y, isum, lo);
            else
                extended_row(y);
        }
    }

  private:
    const uint8_t* copy_of(int32_t y) const {
        return state_.rows.data() + static_cast<size_t>(y % size_) * row_len_;
    }
    void copy_row(int32_t y) {
        std::memcpy(state_.rows.data() + static_cast<size_t>(y % size_) * row_len_, level_.row(y),
                    static_cast<size_t>(row_len_));
    }

    bool integer_weights(int32_t (&isum)[5][5], int32_t& lo, int32_t& hi) const {
        float pos = 0.0f, neg = 0.0f;
        for (int32_t i = 0; i < size_; ++i)
            for (int32_t c = 0; c < size_; ++c) {
                const float v = w_[i][c];
                if (!(std::fabs(v) <= INTEGER_ROAD_LIMIT) || v != std::trunc(v)) return false;
                (v > 0 ? pos : neg) += v;
                isum[i][c] = static_cast<int32_t>(v);
            }
        if (pos - neg > INTEGER_ROAD_LIMIT) return false;
        lo = static_cast<int32_t>(neg) * 255;
        hi = static_cast<int32_t>(pos) * 255;
        return true;
    }

    void integer_row(int32_t y, const int32_t (&isum)[5][5], int32_t lo) {
        const uint8_t* table = state_.table.data();
        const int64_t first = static_cast<int64_t>(r_) * level_.bpp;
        const int64_t last = row_len_ - first;  // one past the last byte filtered
        int32_t* sums = state_.sums.data();
        for (int64_t j = first; j < last; ++j) sums[j] = 0;
        for (int32_t i = 0; i < size_; ++i) {
            const uint8_t* src = copy_of(y + i - r_);
            for (int32_t c = 0; c < size_; ++c) {
                const int32_t wt = isum[i][c];
                if (wt == 0) continue;
                const uint8_t* s = src + static_cast<int64_t>(c - r_) * level_.bpp;
                for (int64_t j = first; j < last; ++j) sums[j] += wt * s[j];
            }
        }
        uint8_t* out = level_.row(y);
        for (int64_t j = first; j < last; ++j) out[j] = table[sums[j] - lo];
    }

    void extended_row(int32_t y) {
        const int64_t first = static_cast<int64_t>(r_) * level_.bpp;
        const int64_t last = row_len_ - first;
        const uint8_t* src[5];
        for (int32_t i = 0; i < size_; ++i) src[i] = copy_of(y + i - r_);
        uint8_t* out = level_.row(y);
        for (int64_t j = first; j < last; ++j) {
            long double s = 0.0L;
            for (int32_t i = 0; i < size_; ++i)
                for (int32_t c = 0; c < size_; ++c) {
                    const float wt = w_[i][c];
                    if (wt == 0.0f) continue;  // adds nothing
                    s += static_cast<long double>(wt) *
                         src[i][j + static_cast<int64_t>(c - r_) * level_.bpp];
                }
            out[j] = finish(s, k_);
        }
    }

    LevelFilterState& state_;
    const FilterKernel& k_;
    int32_t size_, r_;
    const LevelView& level_;
    float w_[5][5];
    int64_t row_len_ = 0;
};

bool outer_ring_zero(const FilterKernel& k) {
    for (int32_t i = 0; i < 5; ++i)
        for (int32_t c = 0; c < 5; ++c)
            if ((i == 0 || i == 4 || c == 0 || c == 4) && k.weights[i][c] != 0.0f) return false;
    return true;
}

bool only_centre(const FilterKernel& k) {
    for (int32_t i = 1; i < 4; ++i)
        for (int32_t c = 1; c < 4; ++c)
            if ((i != 2 || c != 2) && k.weights[i][c] != 0.0f) return false;
    return true;
}

}  // namespace

const FilterKernel* fixed_filter_kernel(int32_t method) {
    if (method < FIRST_FIXED || method > LAST_FIXED) return nullptr;
    return &fixed_kernels[method - FIRST_FIXED];
}

void filter_kernel_level(LevelFilterState& state, FilterKernel& kernel, const LevelView& level) {
    if (kernel.divisor == 0.0f) kernel.divisor = 1.0f;
    const FilterKernel& k = kernel;
    if (!outer_ring_zero(k)) {
        if (level.width >= 5 && level.height >= 5) Window(state, k, 5, level).run();
        return;
    }
    if (only_centre(k)) {
        single_tap(k, level);
        return;
    }
    if (level.width >= 3 && level.height >= 3) Window(state, k, 3, level).run();
}
