// texcomp internals: the level step of the palettised formats (codes 10, 256
// colours, and 14, 16 colours).
#pragma once

#include <cstdint>
#include <vector>

#include "palette/palette.h"
#include "texcomp/compressor.h"

struct LevelEmitter;
struct LevelImage;

// Per-texture state of the palettised formats: the palette of the face being
// written (replaced at every face's level 0, so each face of a cube carries
// its own) and the index buffer of the current level.
struct PaletteStep {
    PaletteRecord record;
    std::vector<uint8_t> indices;
};

// Indexes level j of a face and emits it; level 0 builds the face's palette
// and emits it first (4 x N bytes, or the callback's width 4, height N). 16
// colours: levels of odd width are emitted in pixel order without row
// padding, ceil(w x h / 2) bytes, so every pixel keeps its index. Returns
// DriverResult::Done, or DriverResult::NoMemory (nothing emitted for the level).
DriverResult palette_level(LevelEmitter& e, LevelImage& level, int32_t j, bool dither);
