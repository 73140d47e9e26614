// The quick end-point choice: the two samples farthest apart become the end
// points as they are, and every sample takes the nearest palette entry. No
// iteration and no rounding search, so it is many times cheaper than the full
// search, at the price of end points that never lie beyond the block's own
// colours.
#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "blocks/block_encoder.h"

namespace {

// The palette colours of both sizes: A, B, their midpoint (three colours)
// and their two thirds (four colours). A and B are shared by both palettes,
// so each sample's distance to them is computed once.
enum PaletteColour { kA, kB, kMiddle, kThirdA, kThirdB, kPaletteColours };

// Weighted squared distance of every sample to one palette colour.
void distances_to(const SampleChannels& c, int n, const double w2[3], const double colour[3],
                  double* out) {
    for (int i = 0; i < n; ++i) {
        const double dr = c.r[i] - colour[0];
        const double dg = c.g[i] - colour[1];
        const double db = c.b[i] - colour[2];
        out[i] = w2[0] * (dr * dr) + w2[1] * (dg * dg) + w2[2] * (db * db);
    }
}

// Keeps the closer of the best so far and entry j. Written as selections
// rather than branches: which entry is closest is as good as random, and
// mispredicted jumps would cost more than the comparisons. Only a strictly
// smaller distance replaces, so ties keep the lower index.
inline void keep_closer(double d, int j, double& best, int& index) {
    const int closer = -int(d < best);
    index = (index & ~closer) | (j & closer);
    best = d < best ? d : best;
}

// Gives every sample the palette entry with the smallest distance and
// returns the summed distance, added in sample order.
double choose_indices(const double* const* entry_distance, int entries, int n, int* indices) {
    double error = 0.0;
    for (int i = 0; i < n; ++i) {
        double best = entry_distance[0][i];
        int index = 0;
        for (int j = 1; j < entries; ++j) keep_closer(entry_distance[j][i], j, best, index);
        indices[i] = index;
        error += best;
    }
    return error;
}

// Both palettes at once, sharing the comparison of the two end points.
void choose_both(const double (*distance)[BLOCK_MAX_SAMPLES], int n, int* three, int* four,
                 double& error3, double& error4) {
    error3 = 0.0;
    error4 = 0.0;
    for (int i = 0; i < n; ++i) {
        double ends = distance[kA][i];
        int end_index = 0;
        keep_closer(distance[kB][i], 1, ends, end_index);
        double best3 = ends, best4 = ends;
        int index3 = end_index, index4 = end_index;
        keep_closer(distance[kMiddle][i], 2, best3, index3);
        keep_closer(distance[kThirdA][i], 2, best4, index4);
        keep_closer(distance[kThirdB][i], 3, best4, index4);
        three[i] = index3;
        four[i] = index4;
        error3 += best3;
        error4 += best4;
    }
}

int to_byte(double v) { return int(v * 255.0 + 0.5); }

// The five palette colours of end points a and z.
void palette_colours(const double* a, const double* z, double colour[kPaletteColours][3]) {
    for (int k = 0; k < 3; ++k) {
        colour[kA][k] = a[k];
        colour[kB][k] = z[k];
        colour[kMiddle][k] = (a[k] + z[k]) / 2.0;
        colour[kThirdA][k] = (2.0 * a[k] + z[k]) / 3.0;
        colour[kThirdB][k] = (a[k] + 2.0 * z[k]) / 3.0;
    }
}

void set_endpoints(BlockSamples& b, const double* a, const double* z) {
    b.endpoints[0][0] = nearest_code5(to_byte(a[0]));
    b.endpoints[0][1] = nearest_code6(to_byte(a[1]));
    b.endpoints[0][2] = nearest_code5(to_byte(a[2]));
    b.endpoints[1][0] = nearest_code5(to_byte(z[0]));
    b.endpoints[1][1] = nearest_code6(to_byte(z[1]));
    b.endpoints[1][2] = nearest_code5(to_byte(z[2]));
}

// Flat areas and hard edges give blocks of a handful of colours. For those,
// every distance is one of a few values, so the search works on the distinct
// colours and only walks the sample pairs to find the pair the scan would
// keep. The result is the general path's, bit for bit: equal samples give
// equal distances, and errors are still added in sample order.
constexpr int kFewColours = 8;
constexpr int kLevelSamples = 16;  // the level path serves one block at most

struct FewColours {
    int count = 0;                     // distinct colours, 1..kFewColours
    int first[kFewColours];            // a sample of each colour
    int colour_of[BLOCK_MAX_SAMPLES];  // distinct colour of every sample
    uint32_t members[kFewColours];     // level path only: bit i set for sample i
};

// Samples are told apart by their bit patterns: equal patterns are equal
// values, which is all this path relies on (zeros of opposite sign would
// merely count as two colours). A 64-bit key mixes the three patterns, so a
// comparison is mostly a single one; equal keys are confirmed in full.
uint64_t bits_of(double v) {
    uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

uint64_t sample_key(const double* s) {
    return bits_of(s[0]) ^ (bits_of(s[1]) * 0x9E3779B97F4A7C15ull) ^
           (bits_of(s[2]) * 0xC2B2AE3D27D4EB4Full);
}

bool same_bits(const double* s, const double* t) {
    return bits_of(s[0]) == bits_of(t[0]) && bits_of(s[1]) == bits_of(t[1]) &&
           bits_of(s[2]) == bits_of(t[2]);
}

// False as soon as the block shows more than kFewColours colours.
bool find_few_colours(const BlockSamples& b, FewColours& f) {
    uint64_t key[kFewColours];
    f.count = 0;
    for (int i = 0; i < b.count; ++i) {
        const uint64_t k_i = sample_key(b.samples[i]);
        int k = 0;
        while (k < f.count && !(key[k] == k_i && same_bits(b.samples[i], b.samples[f.first[k]])))
            ++k;
        if (k == f.count) {
            if (f.count == kFewColours) return false;
            key[f.count] = k_i;
            f.first[f.count++] = i;
        }
        f.colour_of[i] = k;
    }
    return true;
}

// The pair the plain scan keeps (see farthest_pair): k1 is the first sample
// pair whose distance rounds to F, the answer the last later pair whose
// distance exceeds F, or k1.
void few_farthest_pair(const BlockSamples& b, const FewColours& f, int& ia, int& ib) {
    const int n = b.count;
    double d[kFewColours][kFewColours];
    double largest = -1.0;
    for (int u = 0; u < f.count; ++u) {
        d[u][u] = 0.0;
        for (int v = u + 1; v < f.count; ++v) {
            const double* s = b.samples[f.first[u]];
            const double* t = b.samples[f.first[v]];
            const double dr = s[0] - t[0];
            const double dg = s[1] - t[1];
            const double db = s[2] - t[2];
            d[u][v] = d[v][u] = dr * dr + dg * dg + db * db;
            largest = d[u][v] > largest ? d[u][v] : largest;
        }
    }
    const float rounded = float(largest);
    bool any_above = false;
    for (int u = 0; u < f.count; ++u)
        for (int v = u + 1; v < f.count; ++v) any_above |= d[u][v] > rounded;
    ia = 0;
    ib = 1;
    bool found = false;
    for (int i = 0; i < n && !found; ++i)
        for (int j = i + 1; j < n && !found; ++j)
            if (float(d[f.colour_of[i]][f.colour_of[j]]) == rounded) {
                ia = i;
                ib = j;
                found = true;
            }
    if (!any_above) return;
    const int k1i = ia, k1j = ib;
    for (int i = n - 2; i >= k1i; --i) {
        const int low = i == k1i ? k1j + 1 : i + 1;
        for (int j = n - 1; j >= low; --j) {
            if (d[f.colour_of[i]][f.colour_of[j]] > rounded) {
                ia = i;
                ib = j;
                return;
            }
        }
    }
}

// The same pair from the levels of at most 16 samples. Only colour pairs at
// the largest whole-level distance can hold the answer (see
// farthest_pair_levels). When a single colour pair lies there, every sample
// pair of those two colours has one and the same double distance d: the scan
// keeps the first such pair, or - when d lies above its single-precision
// value, so that each later one replaces again - the last. Several colour
// pairs at that distance go to the general replay.
void few_farthest_pair_levels(const BlockSamples& b, const FewColours& f, const uint32_t* levels,
                              int& ia, int& ib) {
    int largest = -1, at_largest = 0, pu = 0, pv = 0;
    for (int u = 0; u < f.count; ++u) {
        const uint32_t s = levels[f.first[u]];
        for (int v = u + 1; v < f.count; ++v) {
            const uint32_t t = levels[f.first[v]];
            const int dr = int((s >> 16) & 0xFF) - int((t >> 16) & 0xFF);
            const int dg = int((s >> 8) & 0xFF) - int((t >> 8) & 0xFF);
            const int db = int(s & 0xFF) - int(t & 0xFF);
            const int d = dr * dr + dg * dg + db * db;
            if (d > largest) {
                largest = d;
                at_largest = 0;
                pu = u;
                pv = v;
            }
            at_largest += d == largest;
        }
    }
    if (at_largest != 1) {
        few_farthest_pair(b, f, ia, ib);
        return;
    }
    const double* s = b.samples[f.first[pu]];
    const double* t = b.samples[f.first[pv]];
    const double dr = s[0] - t[0];
    const double dg = s[1] - t[1];
    const double db = s[2] - t[2];
    const double d = dr * dr + dg * dg + db * db;
    const uint32_t both = f.members[pu] | f.members[pv];
    if (d > float(d)) {
        ib = 31 - __builtin_clz(both);
        const uint32_t other = f.members[f.colour_of[ib] == pu ? pv : pu];
        ia = 31 - __builtin_clz(other & ((1u << ib) - 1));
    } else {
        ia = __builtin_ctz(both);
        const uint32_t other = f.members[f.colour_of[ia] == pu ? pv : pu];
        ib = __builtin_ctz(other & ~((2u << ia) - 1));
    }
}

// levels: null, or the samples' levels (at most 16 samples).
void fit_few_colours(BlockSamples& b, const FewColours& f, const uint32_t* levels) {
    const int n = b.count;
    if (f.count == 1) {
        // One colour: every pair is at distance 0, so the first pair wins,
        // both palettes fit with error 0 and every sample takes index 0.
        for (int i = 0; i < n; ++i) b.indices[i] = 0;
        b.colour_mode = b.force_four || !b.has_transparent ? 4 : 3;
        set_endpoints(b, b.samples[0], b.samples[0]);
        return;
    }
    int ia = 0, ib = 1;
    if (levels != nullptr)
        few_farthest_pair_levels(b, f, levels, ia, ib);
    else
        few_farthest_pair(b, f, ia, ib);
    double colour[kPaletteColours][3];
    palette_colours(b.samples[ia], b.samples[ib], colour);
    const double w2[3] = {b.weights[0] * b.weights[0], b.weights[1] * b.weights[1],
                          b.weights[2] * b.weights[2]};
    // Per distinct colour: the nearest entry of each palette and its distance.
    double best3[kFewColours], best4[kFewColours];
    int index3[kFewColours], index4[kFewColours];
    for (int u = 0; u < f.count; ++u) {
        const double* s = b.samples[f.first[u]];
        double dist[kPaletteColours];
        for (int e = 0; e < kPaletteColours; ++e) {
            const double dr = s[0] - colour[e][0];
            const double dg = s[1] - colour[e][1];
            const double db = s[2] - colour[e][2];
            dist[e] = w2[0] * (dr * dr) + w2[1] * (dg * dg) + w2[2] * (db * db);
        }
        double ends = dist[kA];
        int end_index = 0;
        keep_closer(dist[kB], 1, ends, end_index);
        best3[u] = best4[u] = ends;
        index3[u] = index4[u] = end_index;
        keep_closer(dist[kMiddle], 2, best3[u], index3[u]);
        keep_closer(dist[kThirdA], 2, best4[u], index4[u]);
        keep_closer(dist[kThirdB], 3, best4[u], index4[u]);
    }
    if (b.force_four || b.has_transparent) {
        b.colour_mode = b.force_four ? 4 : 3;
    } else {
        double error3 = 0.0, error4 = 0.0;
        for (int i = 0; i < n; ++i) {
            error3 += best3[f.colour_of[i]];
            error4 += best4[f.colour_of[i]];
        }
        b.colour_mode = error4 <= error3 ? 4 : 3;
    }
    const int* chosen = b.colour_mode == 4 ? index4 : index3;
    for (int i = 0; i < n; ++i) b.indices[i] = chosen[f.colour_of[i]];
    set_endpoints(b, b.samples[ia], b.samples[ib]);
}

// The same distinct colours found on the levels: equal levels are equal
// samples and different levels different ones, so one integer comparison
// stands for three bit patterns. Each sample is compared with all sixteen at
// once, which gives every sample the mask of its equals without a branch per
// comparison (whether a colour is new is as good as random in a photograph).
// At most 16 samples.
bool find_few_levels(const uint32_t* levels, int n, FewColours& f) {
    alignas(16) uint32_t padded[kLevelSamples];
    for (int i = 0; i < kLevelSamples; ++i) padded[i] = i < n ? levels[i] : 0xFFFFFFFFu;
    __m128i all[4];
    for (int g = 0; g < 4; ++g)
        all[g] = _mm_load_si128(reinterpret_cast<const __m128i*>(padded + 4 * g));
    uint32_t equals[kLevelSamples];
    uint32_t firsts = 0;
    for (int i = 0; i < n; ++i) {
        const __m128i key = _mm_set1_epi32(int(padded[i]));
        const __m128i low =
            _mm_packs_epi32(_mm_cmpeq_epi32(all[0], key), _mm_cmpeq_epi32(all[1], key));
        const __m128i high =
            _mm_packs_epi32(_mm_cmpeq_epi32(all[2], key), _mm_cmpeq_epi32(all[3], key));
        equals[i] = uint32_t(_mm_movemask_epi8(_mm_packs_epi16(low, high)));
        // First of its colour: no equal sample before it.
        firsts |= uint32_t((equals[i] & ((1u << i) - 1)) == 0) << i;
    }
    // The colours are numbered in the order of their first samples; a
    // sample's number is that of its first equal. (Counting bits would need
    // a library call on processors without a population count.)
    int number[kLevelSamples];
    int k = 0;
    for (uint32_t m = firsts; m != 0; m &= m - 1, ++k) {
        if (k == kFewColours) return false;
        f.first[k] = __builtin_ctz(m);
        f.members[k] = equals[f.first[k]];
        number[f.first[k]] = k;
    }
    f.count = k;
    for (int i = 0; i < n; ++i) f.colour_of[i] = number[__builtin_ctz(equals[i])];
    return true;
}

// Steps 2 to 5 of the quick search once the pair (ia, ib) is known.
void fit_pair(BlockSamples& b, const SampleChannels& c, int ia, int ib) {
    const int n = b.count;
    const double* a = b.samples[ia];
    const double* z = b.samples[ib];

    double colour[kPaletteColours][3];
    palette_colours(a, z, colour);
    const double w2[3] = {b.weights[0] * b.weights[0], b.weights[1] * b.weights[1],
                          b.weights[2] * b.weights[2]};
    const bool need_three = !b.force_four;
    const bool need_four = b.force_four || !b.has_transparent;
    double distance[kPaletteColours][BLOCK_MAX_SAMPLES];
    for (int e = 0; e < kPaletteColours; ++e) {
        const bool used = e <= kB || (e == kMiddle ? need_three : need_four);
        if (used) distances_to(c, n, w2, colour[e], distance[e]);
    }
    const double* three[3] = {distance[kA], distance[kB], distance[kMiddle]};
    const double* four[4] = {distance[kA], distance[kB], distance[kThirdA], distance[kThirdB]};

    if (b.force_four) {
        choose_indices(four, 4, n, b.indices);
        b.colour_mode = 4;
    } else if (b.has_transparent) {
        // Dropped pixels need index 3 as transparency: three colours only.
        choose_indices(three, 3, n, b.indices);
        b.colour_mode = 3;
    } else {
        int three_indices[BLOCK_MAX_SAMPLES];
        double error3 = 0.0, error4 = 0.0;
        choose_both(distance, n, three_indices, b.indices, error3, error4);
        b.colour_mode = error4 <= error3 ? 4 : 3;
        if (b.colour_mode == 3)
            for (int i = 0; i < n; ++i) b.indices[i] = three_indices[i];
    }

    set_endpoints(b, a, z);
}

// Nothing to fit; callers never ask, but no stale sample may be read.
void fit_nothing(BlockSamples& b) {
    for (auto& e : b.endpoints)
        for (int& code : e) code = 0;
    b.colour_mode = b.force_four ? 4 : 3;
}

}  // namespace

void quick_colour_fit(BlockSamples& b) {
    const int n = b.count;
    if (n <= 0) {
        fit_nothing(b);
        return;
    }
    FewColours few;
    if (find_few_colours(b, few)) {
        fit_few_colours(b, few, nullptr);
        return;
    }
    SampleChannels c;
    split_channels(b.samples, n, c);
    int ia = 0, ib = 0;
    farthest_pair(c, n, ia, ib);
    fit_pair(b, c, ia, ib);
}

void quick_colour_fit_levels(BlockSamples& b, const uint32_t* levels) {
    const int n = b.count;
    if (n <= 0) {
        fit_nothing(b);
        return;
    }
    FewColours few;
    if (n > kLevelSamples) {
        quick_colour_fit(b);
        return;
    }
    if (find_few_levels(levels, n, few)) {
        fit_few_colours(b, few, levels);
        return;
    }
    int ia = 0, ib = 0;
    farthest_pair_levels(levels, b.samples, n, ia, ib);
    SampleChannels c;
    split_channels(b.samples, n, c);
    fit_pair(b, c, ia, ib);
}

void quick_colour_pair(const BlockSamples& b, const uint32_t* levels, int& ia, int& ib) {
    const int n = b.count;
    ia = 0;
    ib = 0;
    if (n <= 1) return;
    FewColours few;
    if (levels != nullptr && n <= kLevelSamples) {
        if (!find_few_levels(levels, n, few)) {
            farthest_pair_levels(levels, b.samples, n, ia, ib);
            return;
        }
        // One colour: any pair gives the same end points.
        if (few.count > 1) few_farthest_pair_levels(b, few, levels, ia, ib);
        return;
    }
    if (find_few_colours(b, few)) {
        if (few.count > 1) few_farthest_pair(b, few, ia, ib);
        return;
    }
    SampleChannels c;
    split_channels(b.samples, n, c);
    farthest_pair(c, n, ia, ib);
}
