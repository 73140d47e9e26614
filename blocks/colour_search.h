// Internal operations of the full colour end-point search (fit_colour_endpoints).
//
// The search works on the block's distinct colours in weighted space
// (q = w * colour per channel). It orders them along an axis, cuts the
// ordering into three or four contiguous groups, fits a line per cut and
// re-orders along the new line until an ordering repeats; two starting axes
// are tried, the better result is kept, end points that leave the colour box
// are repaired, and the end points are finally rounded to 5:6:5 codes.
//
// Every table here is per call (the caller keeps it on its stack), so
// blocks could be searched on several threads; the only shared table is the
// read-only solid-colour table, built once on first use.
//
// Not part of the public interface of the library; declared here so that
// the tests can reach each step.
#pragma once

#include <cstdint>

#include "blocks/block_samples.h"

constexpr int HISTORY_SLOTS = 16;

// One distinct weighted colour of the block.
struct DistinctColour {
    double u[3];  // weighted colour U
    double f;     // share of the block's samples with this colour
    double s[3];  // centred sum: sum over those samples of (q - mean), / N
};

// The block as the search sees it.
struct ColourSet {
    int count = 0;        // N, the number of samples
    int n = 0;            // number of distinct colours
    int max_colours = 3;  // 3 or 4
    int force_four = 0;
    int grey = 0;         // green is rounded with 5 bits
    double w[3] = {};     // weights, clamped to >= 0
    double mean[3] = {};  // mean weighted colour
    double lo[3] = {};    // colour box in centred weighted space
    double hi[3] = {};
    double q[BLOCK_MAX_SAMPLES][3];  // weighted samples
    DistinctColour colours[BLOCK_MAX_SAMPLES];
    int sample_colour[BLOCK_MAX_SAMPLES];  // distinct colour of each sample
};

// An ordering of the distinct colours (a permutation of 0..n-1).
using Ordering = uint8_t[BLOCK_MAX_SAMPLES];

// The ring of recent orderings; a new ordering that repeats one of them (or
// its reverse) ends a run of passes.
struct OrderHistory {
    Ordering slot[HISTORY_SLOTS];
    int h = 0;
    int wrapped = 0;
};

// Result of one split search: end points in centred weighted space.
struct SplitResult {
    double e[2][3];
    double score;    // smaller is better
    int intervals;   // 1, 2 or 3: palette of intervals + 1 colours
    double axis[3];  // direction for the next ordering
};

// End points rounded to codes, with the palette index of every distinct colour.
struct QuantizedEndpoints {
    int codes[2][3];  // R 0..31, G 0..63 (0..31 before green widening), B 0..31
    int colours;      // 3 or 4
    double error;
    uint8_t index[BLOCK_MAX_SAMPLES];  // per distinct colour, 0..3
};

// Solid-colour table entry: the pair of codes (top-aligned in a byte) whose
// palette position hits an 8-bit value with the smallest spread.
struct SolidEntry {
    uint8_t valid;
    uint8_t e0;
    uint8_t e1;
};

// [green bits: 0 = 5, 1 = 6][8-bit value][channel][palette position]
struct SolidTable {
    SolidEntry entry[2][256][3][3];
};

// 1 when every sample's 8-bit channels lie within 2 of each other (a grey
// block, whose green is rounded with 5 bits so that no tint appears).
int samples_are_grey(const BlockSamples& b);

// Clamps every sample channel into [0, 1].
void clamp_samples(BlockSamples& b);

// Fills weights, weighted samples, mean, box and grey flag of `cs` from `b`
// (samples already clamped). Returns 1 when all samples are identical.
int prepare_colour_set(const BlockSamples& b, ColourSet& cs);

// Builds the distinct-colour table and each sample's entry in it.
void build_distinct_colours(ColourSet& cs);
// Its first step: each sample's distinct colour (cs.sample_colour), colours
// numbered as they first appear; first[k] is the first sample of colour k.
// Returns the number of colours; the wide version returns -1 where it does
// not run.
int number_colours_plain(ColourSet& cs, int* first);
int number_colours_wide(ColourSet& cs, int* first);

// Dominant direction of the weighted samples (unit length).
void principal_axis(const ColourSet& cs, double axis[3]);

// Direction between the two distinct colours farthest apart (unit length).
void farthest_pair_axis(const ColourSet& cs, double axis[3]);

// Sorts the distinct colours by their projection on `axis`. Equal
// projections keep table order with tie rule 0 and reverse it with rule 1.
void order_along_axis(const ColourSet& cs, const double axis[3], int tie_rule, uint8_t* order);
// The same list, sorted from the permutation `order` holds on entry (faster
// when it is nearly in order already).
void reorder_along_axis(const ColourSet& cs, const double axis[3], int tie_rule, uint8_t* order);

// True when a equals b or b reversed (n entries).
bool same_order(const uint8_t* a, const uint8_t* b, int n);

// Moves to the next slot of the ring, noting when it wraps to slot 0.
void history_advance(OrderHistory& ring);

// True when the ordering in the current slot repeats an earlier one.
bool history_repeats(const OrderHistory& ring, int n);

// Sums of one cut of an ordering into positions t (0..3): P = sum f t,
// Q = sum f t^2 - P^2, X = sum t S; m is the highest position in use.
struct SplitSums {
    double p;
    double q;
    double x[3];
    int m;
    int intervals;
};

// Running sums of the cut enumeration: `move` shifts one colour of share f
// and centred sum s from position t to t + 1, which changes P, Q and X by a
// constant amount of work (Q gains f (2t + 1 - 2P - f)).
struct RunningSplitSums {
    double p;
    double q;
    double x[3];

    void move(double f, const double* s, int t) {
        q += f * (2.0 * t + 1.0 - 2.0 * p - f);
        p += f;
        x[0] += s[0];
        x[1] += s[1];
        x[2] += s[2];
    }
};

// Settles the chosen cut (i1 <= i2 <= i3 <= n): a lone group at position 3
// moves to position 2, then the sums are recomputed from scratch and the
// interval count is set (1 for a lone group, else m).
void final_split_sums(const ColourSet& cs, const uint8_t* order, int i1, int i2, int i3,
                      SplitSums& out);

// Best cut of `order` into intervals + 1 groups (intervals 2 or 3).
void best_split(const ColourSet& cs, const uint8_t* order, int intervals, SplitResult& out);

// As best_split, but end points are kept inside the colour box and each cut
// is scored by its error against the constrained line.
void best_split_boxed(const ColourSet& cs, const uint8_t* order, int intervals, SplitResult& out);

// The lazily built process-wide solid-colour table.
const SolidTable& solid_table();

// End points and indices of a block whose samples are all identical.
void solid_block_fit(BlockSamples& b, const ColourSet& cs);

// Best floor/ceil rounding of weighted end points e0, e1 to codes for a
// palette of `colours` (3 or 4) colours. Green uses 5 bits for a grey block.
void quantize_endpoints(const ColourSet& cs, const double e0[3], const double e1[3], int colours,
                        QuantizedEndpoints& out);

// Rounds e0, e1 and a few re-placements of them into larger palettes and
// keeps the best; `colour_mode` (2, 3 or 4) is the palette the end points
// were fitted for. Green codes of a grey block come out widened to 6 bits.
void try_endpoint_variants(const ColourSet& cs, const double e0[3], const double e1[3],
                           int colour_mode, QuantizedEndpoints& out);

// A grey block's 5-bit green code widened to 6 bits by bit replication, so
// that 0 and 31 map to 0 and 63 and no grey level moves by more than 2.
inline int widen_grey_green(int code5) { return (code5 << 1) | (code5 >> 4); }

// The search's hottest loops come twice: plain, which is the definition, and
// wide, four doubles at a time, on processors that have such vectors (chosen
// at run time; the rest of the library is built for the plain instruction
// set; the processor check is cpu_has_avx2, which the resampler and the
// palette search ask too). Each lane does a plain step's arithmetic in the
// plain order, so both give the same bytes; tests hold the plain path to
// compare the two.
enum class SearchPath { Plain, Wide };
SearchPath search_path();
void hold_plain_search(bool hold);
