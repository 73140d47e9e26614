// A batch of cuts whose box-constrained end points and scores are worked out
// together: the plain way one cut at a time, the wide way four at a time.
// Internal to the library.
#pragma once

#include "blocks/colour_search.h"

struct BoxedCuts {
    static constexpr int SIZE = 64;
    alignas(32) double p[SIZE];
    alignas(32) double q[SIZE];
    alignas(32) double x[3][SIZE];
    alignas(32) double m[SIZE];  // highest palette position, 1 to 3
    int count = 0;
};

// End points of the line for positions 0..m with sums p, q, x, kept inside
// the colour box; returns the cut's score (see colour_split_boxed.cpp).
double boxed_endpoints(const ColourSet& cs, double p, double q, const double* x, int m,
                       double e[2][3]);

// The scores of every cut in the batch, each exactly as boxed_endpoints
// gives it. The wide version returns false where it does not run.
void boxed_scores_plain(const ColourSet& cs, const BoxedCuts& cuts, double* scores);
bool boxed_scores_wide(const ColourSet& cs, const BoxedCuts& cuts, double* scores);
