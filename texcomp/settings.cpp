// Standard initialisation of the settings record.
#include <cstring>

#include "texcomp/texcomp.h"

void texture_settings_init(TextureSettings& s) {
    s = TextureSettings{};
    // The arrays are read only when sharpening is on; they start from the
    // settings profile's defaults: a 5x5 sharpen kernel (11 in the centre, -2
    // in the four direct neighbours) with divisor 3, unsharp-mask radius 5,
    // amount 0.5, threshold 0, sharpener strength and threshold 255, and one
    // sharpening pass on every level but the first.
    for (float& v : s.CustomFilter) v = 0.0f;
    s.CustomFilter[12] = 11.0f;
    s.CustomFilter[7] = s.CustomFilter[11] = s.CustomFilter[13] = s.CustomFilter[17] = -2.0f;
    s.CustomFilter[25] = 3.0f;
    s.CustomFilter[26] = 0.0f;
    s.CustomFilter[27] = 5.0f;
    s.CustomFilter[28] = 0.5f;
    s.CustomFilter[29] = 0.0f;
    s.CustomFilter[30] = 255.0f;
    s.CustomFilter[31] = 255.0f;
    s.CustomFilter[32] = 0.0f;
    s.SharpeningPassMIP[0] = 0;
    for (int j = 1; j < 14; ++j) s.SharpeningPassMIP[j] = 1;
}

bool texture_quality_find(const char* name, TextureQuality& quality) {
    static const struct {
        const char* name;
        TextureQuality quality;
    } names[] = {{"quick", TextureQuality::Quick},
                 {"normal", TextureQuality::Normal},
                 {"high", TextureQuality::High},
                 {"best", TextureQuality::Best}};
    if (name == nullptr) return false;
    for (const auto& n : names)
        if (std::strcmp(n.name, name) == 0) {
            quality = n.quality;
            return true;
        }
    return false;
}
