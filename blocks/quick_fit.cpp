// The quick end-point choice: the two samples farthest apart become the end
// points as they are, and every sample takes the nearest palette entry. No
// iteration and no rounding search, so it is many times cheaper than the full
// search, at the price of end points that never lie beyond the block's own
// colours.
#include "blocks/block_samples.h"

namespace {

struct QuickPalettes {
    double three[3][3];
    double four[4][3];
};

QuickPalettes make_palettes(const double* a, const double* b) {
    QuickPalettes p;
    for (int c = 0; c < 3; ++c) {
        p.three[0][c] = a[c];
        p.three[1][c] = b[c];
        p.three[2][c] = (a[c] + b[c]) / 2.0;
        p.four[0][c] = a[c];
        p.four[1][c] = b[c];
        p.four[2][c] = (2.0 * a[c] + b[c]) / 3.0;
        p.four[3][c] = (a[c] + 2.0 * b[c]) / 3.0;
    }
    return p;
}

// Gives every sample the palette entry with the smallest weighted distance
// (a later entry replaces only when strictly closer, so ties keep the lower
// index) and returns the summed distance.
double choose_indices(const BlockSamples& b, const double (*palette)[3], int entries,
                      int* indices) {
    const double w2[3] = {b.weights[0] * b.weights[0], b.weights[1] * b.weights[1],
                          b.weights[2] * b.weights[2]};
    double error = 0.0;
    for (int i = 0; i < b.count; ++i) {
        const double* s = b.samples[i];
        int best = 0;
        double best_distance = 0.0;
        for (int j = 0; j < entries; ++j) {
            const double dr = s[0] - palette[j][0];
            const double dg = s[1] - palette[j][1];
            const double db = s[2] - palette[j][2];
            const double d = w2[0] * (dr * dr) + w2[1] * (dg * dg) + w2[2] * (db * db);
            if (j == 0 || d < best_distance) {
                best_distance = d;
                best = j;
            }
        }
        indices[i] = best;
        error += best_distance;
    }
    return error;
}

int to_byte(double v) { return int(v * 255.0 + 0.5); }

}  // namespace

void quick_colour_fit(BlockSamples& b) {
    const int n = b.count;
    if (n <= 0) {
        // Nothing to fit; callers never ask, but no stale sample may be read.
        for (auto& e : b.endpoints)
            for (int& code : e) code = 0;
        b.colour_mode = b.force_four ? 4 : 3;
        return;
    }
    // Farthest pair by unweighted distance. The running maximum is held in
    // single precision, and only a strictly larger distance replaces it, so
    // the first such pair in (i, j) order wins. A single sample is its own
    // pair: both end points take it.
    int ia = 0;
    int ib = 0;
    float farthest = -1.0f;
    for (int i = 0; i < n; ++i) {
        const double* s = b.samples[i];
        for (int j = i + 1; j < n; ++j) {
            const double* t = b.samples[j];
            const double dr = s[0] - t[0];
            const double dg = s[1] - t[1];
            const double db = s[2] - t[2];
            const double d = dr * dr + dg * dg + db * db;
            if (d > farthest) {
                farthest = float(d);
                ia = i;
                ib = j;
            }
        }
    }
    const double* a = b.samples[ia];
    const double* c = b.samples[ib];
    const QuickPalettes p = make_palettes(a, c);

    if (b.force_four) {
        choose_indices(b, p.four, 4, b.indices);
        b.colour_mode = 4;
    } else if (b.has_transparent) {
        // Dropped pixels need index 3 as transparency: three colours only.
        choose_indices(b, p.three, 3, b.indices);
        b.colour_mode = 3;
    } else {
        int three_indices[BLOCK_MAX_SAMPLES];
        const double error3 = choose_indices(b, p.three, 3, three_indices);
        const double error4 = choose_indices(b, p.four, 4, b.indices);
        b.colour_mode = error4 <= error3 ? 4 : 3;
        if (b.colour_mode == 3)
            for (int i = 0; i < n; ++i) b.indices[i] = three_indices[i];
    }

    b.endpoints[0][0] = nearest_code5(to_byte(a[0]));
    b.endpoints[0][1] = nearest_code6(to_byte(a[1]));
    b.endpoints[0][2] = nearest_code5(to_byte(a[2]));
    b.endpoints[1][0] = nearest_code5(to_byte(c[0]));
    b.endpoints[1][1] = nearest_code6(to_byte(c[1]));
    b.endpoints[1][2] = nearest_code5(to_byte(c[2]));
}
