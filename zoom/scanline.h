// Typed row buffers of the resampler. Bit 2 of the type (SCANLINE_FOUR, the
// value 4) means four channels (in the order a picture's read_row_rgba
// delivers them); the low two bits give the depth: 0 unsigned byte, 1 signed
// short, 2 float32.
//
// Every operation checks its type (or pair of types); one it does not handle
// reports "scanline_<op>: bad scanline type: %d\n" or "... bad type
// combination: %d & %d\n", calls zoom_abort(1) and leaves everything as it
// was. No operation touches a buffer that is not there.
#pragma once

#include <cstdint>

#include "zoom/weighttab.h"
#include "zoom/zoom.h"

enum ScanlineType : int {
    SCANLINE_BYTE = 0,
    SCANLINE_SHORT = 1,
    SCANLINE_FLOAT = 2,
    SCANLINE_FOUR = 4,  // bit: four channels per pixel
    SCANLINE_BYTE4 = 4,
    SCANLINE_SHORT4 = 5,
    SCANLINE_FLOAT4 = 6,
};

// The code of a (source, destination) pair of types, for switching over
// both at once: types stay below 256, so each pair has its own code.
constexpr int scanline_pair(int src_type, int dst_type) { return src_type * 256 + dst_type; }

struct Scanline {
    int type = 0;
    int len = 0;
    int row = -1;  // source row held, -1 for none (the resampler's row ring)
    void* data = nullptr;
};

// Bytes per pixel of a type, 0 for a value that is not a type.
int scanline_pixel_bytes(int type);

// Sets type and len, then allocates len pixels, all zero (nothing for a type
// that is not handled).
void scanline_alloc(Scanline& s, int type, int len);
void scanline_free(Scanline& s);
// Clears a float scanline (type 2 or 6): the accumulators.
void scanline_zero(Scanline& s);
// Row y of the picture from column x0, s.len pixels: type 0 by read_row,
// 4 by read_row_rgba, 6 by read_row_float (writing likewise).
void scanline_read(PictureDevice* pic, int x0, int y, Scanline& s);
void scanline_write(PictureDevice* pic, int x0, int y, const Scanline& s);
// Horizontal filtering: dst pixel i is the weighted sum of src over
// tables[i]. Pairs (src & dst): byte->short, float->byte, byte4->byte4,
// byte4->short4, float4->byte4, float4->float4.
void scanline_filter(const WeightTable* tables, const Scanline& src, Scanline& dst);
// dst (a float accumulator) += weight * src, over dst.len pixels; src of
// type 0, 1, 4, 5 or 6. A zero weight does nothing at all.
void scanline_accum(float weight, const Scanline& src, Scanline& dst);
// Float accumulator to bytes, clamp(trunc(v + 0.5)), over dst.len pixels.
void scanline_shift(const Scanline& src, Scanline& dst);

// clamp(trunc(v + 0.5)) into 0..255, defined for every input (NaN gives 0).
inline uint8_t round_to_byte(double v) {
    double t = v + 0.5;
    if (!(t >= 1.0)) return 0;
    if (t >= 255.0) return 255;
    return static_cast<uint8_t>(static_cast<int>(t));
}

// Low 16 bits of trunc(v + 0.5) (no clamp); 0 where that is not a number.
inline int16_t round_to_short(double v) {
    double t = v + 0.5;
    if (!(t > -9.2e18 && t < 9.2e18)) return 0;
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<int64_t>(t)));
}
