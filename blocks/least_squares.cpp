// Least-squares end points for fixed indices: each index stands for a fixed
// mix of the two end points, so the best end points per channel solve a 2x2
// system on the 8-bit scale.
#include "blocks/least_squares.h"

#include "blocks/colour_search.h"

int code_for(double value, int c, bool grey) {
    const int v = int(value < 0.0 ? 0.0 : (value > 255.0 ? 255.0 : value) + 0.5);
    if (c != 1) return nearest_code5(v);
    return grey ? widen_grey_green(nearest_code5(v)) : nearest_code6(v);
}

bool least_squares_codes(const BlockSamples& b, int colours, bool grey, int out[2][3]) {
    static const double kFour[4] = {1.0, 0.0, 2.0 / 3.0, 1.0 / 3.0};
    static const double kThree[3] = {1.0, 0.0, 0.5};
    double aa = 0.0, ab = 0.0, bb = 0.0, ax[3] = {0, 0, 0}, bx[3] = {0, 0, 0};
    for (int i = 0; i < b.count; ++i) {
        const int k = b.indices[i] & 3;
        if (colours == 3 && k == 3) continue;
        const double a = colours == 3 ? kThree[k] : kFour[k];
        const double w1 = 1.0 - a;
        aa += a * a;
        ab += a * w1;
        bb += w1 * w1;
        for (int c = 0; c < 3; ++c) {
            const double x = 255.0 * b.samples[i][c];
            ax[c] += a * x;
            bx[c] += w1 * x;
        }
    }
    const double det = aa * bb - ab * ab;
    if (!(det > 1e-9)) return false;
    for (int c = 0; c < 3; ++c) {
        const double e0 = (ax[c] * bb - bx[c] * ab) / det;
        const double e1 = (bx[c] * aa - ax[c] * ab) / det;
        out[0][c] = code_for(e0, c, grey);
        out[1][c] = code_for(e1, c, grey);
    }
    return true;
}
