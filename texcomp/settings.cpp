// The quality levels by name. (The standard initialisation of the settings
// record comes from the key table, setting_keys.cpp.)
#include <cstring>

#include "texcomp/texcomp.h"

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
