// The palettised formats in the level loop: the top level of each face gets
// its own palette, every further level is indexed against it.
#include "texcomp/pipeline.h"

DriverResult palette_level(LevelEmitter& e, LevelImage& level, int32_t j, bool dither) {
    PaletteStep& p = e.palette;
    const int32_t colours = 1 << texture_format_info(e.code)->bits_per_pixel;
    const bool three_channel = e.tc->image.planes == 3;
    const int32_t w = level.width, h = level.height;
    WorkPool* pool = e.tc->pool;
    const int32_t r = j == 0 ? quantize_palette(level.pixels, w, h, 4, p.record, dither,
                                                three_channel, colours, p.indices, pool)
                             : index_level(level.pixels, w, h, 4, p.record, dither, three_channel,
                                           colours, p.indices, pool);
    // The arguments are always valid here; the only failure is memory.
    if (r != PALETTE_OK) return DriverResult::NoMemory;
    if (j == 0) {
        uint8_t entries[256 * 4];
        palette_to_rgba(p.record, colours, entries);
        emit_level_run(e, entries, 4 * colours, 0, 4, colours);
    }
    if (colours == 16 && w % 2 == 1) {
        const int64_t n = pack_nibbles_in_pixel_order(p.indices.data(), w, h, e.buffer.data());
        emit_level_run(e, e.buffer.data(), n, j, w, h);
    } else {
        emit_level_run(e, p.indices.data(), static_cast<int64_t>(p.indices.size()), j, w, h);
    }
    return DriverResult::Done;
}
