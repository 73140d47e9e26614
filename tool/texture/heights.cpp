// Where a normal map takes its heights from: the conversion codes of
// g_normalmap_cnv, with the names --height gives the common ones. One table
// serves --height, the warning about a flat height and --list-keys.
#include <cstdio>

#include "texture/texture.h"

namespace {

// The picture reaches the library blue first (B, G, R, A in memory), so the
// library's byte 2 is red and byte 0 blue.
const HeightSource HEIGHT_SOURCES[] = {
    {1009, "alpha", 3, "the alpha channel as it is (a picture without alpha has none: flat)"},
    {1010, "luma", -1, "the mean of red, green and blue"},
    {1011, nullptr, -1, "the distance of that mean from its mean over the picture"},
    {1012, "red", 2, "the red channel"},
    {1013, "green", 1, "the green channel"},
    {1014, "blue", 0, "the blue channel"},
    {1015, nullptr, -1, "the largest of red, green and blue"},
    {1016, nullptr, -1, "red, green and blue screened together: 1 - (1-r)(1-g)(1-b)"},
    {1017, nullptr, -1, "no height: the picture is a normal map, renormalised"},
    {1018, nullptr, -1, "the reverse: a normal map integrated back into grey heights"},
};

}  // namespace

const HeightSource* find_height_source(const std::string& name) {
    for (const HeightSource& h : HEIGHT_SOURCES)
        if (h.name && name == h.name) return &h;
    return nullptr;
}

std::string height_sources_text() {
    std::string t =
        "Conversion codes of g_normalmap_cnv: where the normal map takes its heights from\n"
        "(razivavu-texture --normal-map --height NAME sets the named ones; default luma):\n";
    for (const HeightSource& h : HEIGHT_SOURCES) {
        char line[160];
        std::snprintf(line, sizeof line, "  %d  %-6s %s\n", h.code, h.name ? h.name : "",
                      h.meaning);
        t += line;
    }
    return t;
}

bool height_is_flat(const TexturePicture& picture, const HeightSource& source) {
    const size_t pixels = static_cast<size_t>(picture.width) * picture.height;
    if (source.channel >= picture.planes) return true;  // no alpha: every height the same
    int first = -1;
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* p = picture.pixels.data() + i * picture.planes;
        // The library's mean, as it computes it: in single precision, truncated.
        const int v = source.channel < 0
                          ? static_cast<int>(static_cast<float>(p[0] + p[1] + p[2]) * 0.33333334f)
                          : p[source.channel];
        if (first < 0) first = v;
        if (v != first) return false;
    }
    return true;
}
