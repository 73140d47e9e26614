// The quality levels and the decoder readings by name. (The standard initialisation of the settings
// record comes from the key table, setting_keys.cpp.)
#include <cstring>

#include "texcomp/texcomp.h"

bool texture_quality_find(const char* name, TextureQuality& quality) {
    static const struct {
        const char* name;
        TextureQuality quality;
    } names[] = {{"quick", TextureQuality::Quick},
                 {"fast", TextureQuality::Fast},
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

bool texture_decoder_find(const char* name, TextureDecoder& decoder) {
    static const struct {
        const char* name;
        TextureDecoder decoder;
    } names[] = {{"nearest", TextureDecoder::Nearest},
                 {"exact", TextureDecoder::Exact},
                 {"truncate", TextureDecoder::Truncate}};
    if (name == nullptr) return false;
    for (const auto& n : names)
        if (std::strcmp(n.name, name) == 0) {
            decoder = n.decoder;
            return true;
        }
    return false;
}
