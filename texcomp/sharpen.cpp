// The level loop's sharpening step, shared by the plain and the volume path.
#include "texcomp/pipeline.h"

namespace {

int32_t passes_of(const TextureSettings& s, int32_t j) {
    // The table has an entry for levels 0..13; deeper levels (sides above
    // 8192) repeat the last, as the fading amounts do.
    return s.SharpeningPassMIP[j < LEVEL_TABLE_SIZE - 1 ? j : LEVEL_TABLE_SIZE - 1];
}

}  // namespace

bool prepare_sharpening(TextureCompressor& tc, int32_t w0, int32_t h0) {
    const TextureSettings& s = tc.settings;
    prepare_custom_filter(tc.filters, s.CustomFilter);
    if (s.g_sharpen_method == static_cast<int32_t>(SharpenMethod::None)) return true;
    bool any = false;
    for (int32_t p : s.SharpeningPassMIP) any = any || p > 0;
    return !any || reserve_level_filter(tc.filters, s.g_sharpen_method, w0, h0, 4);
}

void sharpen_level(TextureCompressor& tc, LevelImage& level, int32_t j) {
    const int32_t method = tc.settings.g_sharpen_method;
    if (method == static_cast<int32_t>(SharpenMethod::None)) return;
    const int32_t passes = passes_of(tc.settings, j);
    for (int32_t p = 0; p < passes; ++p)
        filter_level(tc.filters, level.pixels, 4 * level.width, 4, level.width, level.height,
                     method);
}
