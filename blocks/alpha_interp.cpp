// The interpolated alpha half (DXT5): two 8-bit end points and a 3-bit index
// per pixel. The format offers two palettes: eight evenly spaced values, or
// six evenly spaced values plus exact 0 and 255. Blocks with hard edges
// (fully transparent next to fully opaque pixels) are served best by the
// second palette with the extremes taken by the fixed entries, so the search
// tries both palettes with and without that use and keeps the smallest error.
#include <cmath>

#include "blocks/alpha.h"

namespace {

// At most this many line fits per run of refine_alpha_levels: the passes
// normally settle within a handful, this only bounds pathological swaps.
constexpr int kMaxFits = 65;

double clamp(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Least-squares line through (t_i, y_i) with every value weighing equally,
// given by its values e0 at t = 0 and e1 at t = m, then kept inside
// [box_lo, box_hi]: clamp e0, take the best e1 for that e0 and clamp it, then
// the best e0 for that e1 and clamp it. The y_i are centred (mean 0).
struct AlphaLine {
    double e0;
    double e1;
};

AlphaLine fit_line(const double* y, const int* t, int n, int m, double box_lo, double box_hi) {
    double sum_t = 0.0, sum_tt = 0.0, sum_ty = 0.0;
    for (int i = 0; i < n; ++i) {
        sum_t += t[i];
        sum_tt += double(t[i]) * t[i];
        sum_ty += t[i] * y[i];
    }
    const double p = sum_t / n;
    const double q = sum_tt / n - p * p;
    const double x = sum_ty / n;
    const double alpha0 = -p;
    const double alpha1 = m - p;
    const double g00 = alpha1 * alpha1 + q;
    const double g11 = alpha0 * alpha0 + q;
    const double g01 = alpha0 * alpha1 + q;
    const double e0_free = alpha0 * x / q;
    const double e1_free = alpha1 * x / q;
    AlphaLine line;
    line.e0 = clamp(e0_free, box_lo, box_hi);
    line.e1 = clamp(e1_free + (line.e0 - e0_free) * g01 / g11, box_lo, box_hi);
    line.e0 = clamp(e0_free + (line.e1 - e1_free) * g01 / g00, box_lo, box_hi);
    return line;
}

double residual(const double* y, const int* t, int n, int m, const AlphaLine& line) {
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        const double d = y[i] - (line.e0 * (m - t[i]) + line.e1 * t[i]) / m;
        sum += d * d;
    }
    return sum;
}

// Tries single moves of one value to a neighbouring position, upward moves
// first (positions 0..L-2), then downward (1..L-1). Returns true and the new
// line for the first move that lowers the residual below `current`.
bool improve_by_move(const double* y, const int* t, int n, int levels, double box_lo, double box_hi,
                     double current, AlphaLine& line) {
    const int m = levels - 1;
    int held[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < n; ++i) ++held[t[i]];
    int occupied = 0;
    for (int k = 0; k < levels; ++k) occupied += held[k] > 0;
    int moved[BLOCK_MAX_SAMPLES];
    for (int direction = 1; direction >= -1; direction -= 2) {
        const int first = direction > 0 ? 0 : 1;
        const int last = direction > 0 ? levels - 2 : levels - 1;
        for (int j = first; j <= last; ++j) {
            if (held[j] == 0 || (held[j] < 2 && occupied <= 2)) continue;
            // Upward the largest value of position j moves, downward the
            // smallest; on equal values the first one in value order.
            int pick = -1;
            for (int i = 0; i < n; ++i) {
                if (t[i] != j) continue;
                if (pick < 0 || (direction > 0 ? y[i] > y[pick] : y[i] < y[pick])) pick = i;
            }
            for (int i = 0; i < n; ++i) moved[i] = t[i];
            moved[pick] = j + direction;
            const AlphaLine candidate = fit_line(y, moved, n, m, box_lo, box_hi);
            if (residual(y, moved, n, m, candidate) < current) {
                line = candidate;
                return true;
            }
        }
    }
    return false;
}

// Palette of the L-level fit on the 0..255 scale, end points first; the
// interpolants rounded to nearest with integer division.
void level_palette(int levels, int a0, int a1, int* palette) {
    palette[0] = a0;
    palette[1] = a1;
    for (int i = 2; i < levels; ++i)
        palette[i] = ((levels - i) * a0 + (i - 1) * a1 + (levels - 2) / 2) / (levels - 1);
}

int to_alpha_byte(double v) {
    const int a = int(std::floor(v * 255.0 + 0.5));
    return a < 0 ? 0 : (a > 255 ? 255 : a);
}

}  // namespace

double refine_alpha_levels(int levels, const float* values, int count, int& a0, int& a1,
                           int* index) {
    const int n = count;
    if (n <= 0) return 0.0;
    const int m = levels - 1;
    double mean = 0.0;
    for (int i = 0; i < n; ++i) mean += values[i];
    mean /= n;
    double y[BLOCK_MAX_SAMPLES];
    double low = values[0], high = values[0];
    for (int i = 0; i < n; ++i) {
        if (values[i] < low) low = values[i];
        if (values[i] > high) high = values[i];
    }
    for (int i = 0; i < n; ++i) y[i] = values[i] - mean;
    // Work on centred values; the box [0, 1] becomes [-mean, 1 - mean].
    const double box_lo = -mean;
    const double box_hi = 1.0 - mean;
    AlphaLine line{low - mean, high - mean};

    int t[BLOCK_MAX_SAMPLES];
    for (int i = 0; i < n; ++i) t[i] = -1;
    bool first_pass = true;
    for (int fits = 0;;) {
        bool changed = first_pass;
        first_pass = false;
        bool seen[8] = {false, false, false, false, false, false, false, false};
        // The boundaries between neighbouring positions depend on the line
        // only, so they are worked out once per pass.
        double boundary[8];
        for (int k = 0; k < m; ++k) boundary[k] = line.e0 + (k + 0.5) * (line.e1 - line.e0) / m;
        for (int i = 0; i < n; ++i) {
            int k = 0;
            while (k < m && !(y[i] < boundary[k])) ++k;
            if (t[i] != k) changed = true;
            t[i] = k;
            seen[k] = true;
        }
        int occupied = 0;
        for (int k = 0; k < levels; ++k) occupied += seen[k];
        if (occupied == 1) break;
        line = fit_line(y, t, n, m, box_lo, box_hi);
        if (++fits >= kMaxFits) break;
        if (changed) continue;
        const double current = residual(y, t, n, m, line);
        if (!improve_by_move(y, t, n, levels, box_lo, box_hi, current, line)) break;
    }

    a0 = to_alpha_byte(line.e0 + mean);
    a1 = to_alpha_byte(line.e1 + mean);
    int palette[8];
    level_palette(levels, a0, a1, palette);
    double level[8];
    for (int j = 0; j < levels; ++j) level[j] = palette[j];
    double error = 0.0;
    for (int i = 0; i < n; ++i) {
        const double target = 255.0 * values[i];
        int best = 0;
        double nearest = std::fabs(level[0] - target);
        for (int j = 1; j < levels; ++j) {
            const double distance = std::fabs(level[j] - target);
            if (distance < nearest) {
                best = j;
                nearest = distance;
            }
        }
        index[i] = best;
        const double d = level[best] - target;
        error += d * d;
    }
    return error;
}

namespace {

// One way of using the palettes: which values are fitted, with how many
// levels, and whether exact 0 and exact 1 are left to entries 6 and 7.
struct AlphaConfig {
    int levels;
    bool zero_fixed;
    bool one_fixed;
};

constexpr AlphaConfig kConfigs[5] = {
    {8, false, false}, {6, false, false}, {6, true, false}, {6, false, true}, {6, true, true}};

}  // namespace

void fit_alpha_endpoints(AlphaSamples& a) {
    bool any_zero = false, any_one = false, all_one = a.count > 0;
    for (int i = 0; i < a.count; ++i) {
        any_zero |= a.samples[i] == 0.0f;
        any_one |= a.samples[i] == 1.0f;
        all_one &= a.samples[i] == 1.0f;
    }
    // An opaque block, the most common one by far: the eight-level fit puts
    // both ends on 255 with no error, every value on entry 0, and no other
    // configuration can beat an error of 0. The same result, straight away.
    if (all_one) {
        a.levels = kConfigs[0].levels;
        a.a0 = a.a1 = 255;
        for (int i = 0; i < a.count; ++i) a.indices[i] = 0;
        return;
    }
    const bool tried[5] = {true, true, any_zero, any_one, any_zero || any_one};

    int best = -1;
    double best_error = 0.0;
    int ends[5][2] = {};
    int assigned[5][BLOCK_MAX_SAMPLES];
    for (int c = 0; c < 5; ++c) {
        if (!tried[c]) continue;
        const AlphaConfig& cfg = kConfigs[c];
        float values[BLOCK_MAX_SAMPLES];
        int n = 0;
        for (int i = 0; i < a.count; ++i) {
            const float v = a.samples[i];
            if ((cfg.zero_fixed && v == 0.0f) || (cfg.one_fixed && v == 1.0f)) continue;
            values[n++] = v;
        }
        const double error =
            refine_alpha_levels(cfg.levels, values, n, ends[c][0], ends[c][1], assigned[c]);
        // Configuration 0 always runs and stays unless strictly beaten; an
        // empty value set has no end points and cannot beat it.
        if (best < 0 || (n > 0 && error < best_error)) {
            best = c;
            best_error = error;
        }
    }

    const AlphaConfig& cfg = kConfigs[best];
    a.levels = cfg.levels;
    a.a0 = ends[best][0];
    a.a1 = ends[best][1];
    int next = 0;
    for (int i = 0; i < a.count; ++i) {
        const float v = a.samples[i];
        if (cfg.zero_fixed && v == 0.0f)
            a.indices[i] = 6;
        else if (cfg.one_fixed && v == 1.0f)
            a.indices[i] = 7;
        else
            a.indices[i] = assigned[best][next++];
    }
}

void quick_alpha_fit(AlphaSamples& a) {
    float low = a.samples[0], high = a.samples[0];
    for (int i = 1; i < a.count; ++i) {
        if (a.samples[i] < low) low = a.samples[i];
        if (a.samples[i] > high) high = a.samples[i];
    }
    a.a0 = int(255.0 * high + 0.5);
    a.a1 = int(255.0 * low + 0.5);
    a.levels = 6;
    int palette[8];
    level_palette(6, a.a0, a.a1, palette);
    palette[6] = 0;
    palette[7] = 255;
    for (int i = 0; i < a.count; ++i) {
        const double target = 255.0 * a.samples[i];
        int best = 0;
        for (int j = 1; j < 8; ++j)
            if (std::fabs(palette[j] - target) < std::fabs(palette[best] - target)) best = j;
        a.indices[i] = best;
    }
}

void gather_alpha_samples(const int alpha[16], int a_max, AlphaSamples& a, int slots[16]) {
    a.count = 0;
    for (int p = 0; p < 16; ++p) {
        slots[p] = -1;
        if (alpha[p] < 0) continue;
        // Full alpha is stored as exactly 1 so that the exact-255 entry of the
        // six-value palette can claim it.
        a.samples[a.count] = alpha[p] >= a_max ? 1.0f : float(double(alpha[p]) / double(a_max));
        slots[p] = a.count++;
    }
}

void pack_interp_alpha(AlphaSamples& a, const int slots[16], uint8_t out[8]) {
    int a0 = a.a0;
    int a1 = a.a1;
    // Equal end points can only read as the six-value palette and leave the
    // order rule below nothing to express: separate them by one and let every
    // sample take a0.
    if (a0 == a1) {
        a1 = a0 + 1;
        for (int i = 0; i < a.count; ++i) a.indices[i] = 0;
        a.levels = 6;
    }
    // The order of the end points selects the palette: a0 > a1 eight values,
    // a0 <= a1 six values plus 0 and 255.
    if ((a.levels == 6 && a0 > a1) || (a.levels == 8 && a0 <= a1)) {
        const int t = a0;
        a0 = a1;
        a1 = t;
        for (int i = 0; i < a.count; ++i) {
            const int v = a.indices[i];
            if (v < 2)
                a.indices[i] = v ^ 1;
            else if (a.levels == 8)
                a.indices[i] = 9 - v;
            else if (v <= 5)
                a.indices[i] = 7 - v;
        }
    }
    out[0] = uint8_t(a0 < 0 ? 0 : (a0 > 255 ? 255 : a0));
    out[1] = uint8_t(a1 < 0 ? 0 : (a1 > 255 ? 255 : a1));
    for (int half = 0; half < 2; ++half) {
        uint32_t bits = 0;
        for (int k = 0; k < 8; ++k) {
            const int slot = slots[8 * half + k];
            const uint32_t index = slot < 0 ? 0u : uint32_t(a.indices[slot] & 7);
            bits = (bits >> 3) | (index << 21);
        }
        out[2 + 3 * half] = uint8_t(bits);
        out[3 + 3 * half] = uint8_t(bits >> 8);
        out[4 + 3 * half] = uint8_t(bits >> 16);
    }
}

void encode_interp_alpha(const int alpha[16], int a_max, int quick, AlphaSamples& a,
                         uint8_t out[8]) {
    int slots[16];
    a.quick = quick;
    gather_alpha_samples(alpha, a_max, a, slots);
    if (a.count == 0) {
        a.a0 = a.a1 = 0;
        a.levels = 6;
    } else if (a.quick) {
        quick_alpha_fit(a);
    } else {
        fit_alpha_endpoints(a);
    }
    pack_interp_alpha(a, slots, out);
}
