// The steps the plain and the neighbourhood walk take alike before a
// block's colours are fitted.
#include "blocks/alpha.h"
#include "blocks/block_encoder.h"

uint8_t* begin_block(const BlockCallOptions& o, const int alpha[16], int a_max, AlphaSamples& a,
                     BlockSamples& b, uint8_t* out) {
    const int alpha_half = o.mode & 0xFF00;
    if (alpha_half != 0) {
        if (alpha_half == BLOCK_MODE_EXPLICIT_ALPHA)
            encode_explicit_alpha(alpha, a_max, out);
        else
            encode_interp_alpha(alpha, a_max, o.quick, a, out);
        out += 8;
    }
    if (alpha_half != 0)
        b.force_four = 1;
    else
        b.force_four = o.mode == BLOCK_MODE_OPAQUE ? (o.force_four != 0) : 0;
    b.quick = o.quick;
    return out;
}
