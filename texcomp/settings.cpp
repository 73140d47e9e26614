// The quality levels and the decoder readings by name.
#include <cstring>

#include "texcomp/texcomp.h"

namespace {

template <typename T>
struct Named {
    const char* name;
    T value;
};

// The value of `name` in `names`; false (and `out` unchanged) if it names none.
template <typename T, size_t N>
bool find_named(const Named<T> (&names)[N], const char* name, T& out) {
    if (name == nullptr) return false;
    for (const Named<T>& n : names)
        if (std::strcmp(n.name, name) == 0) {
            out = n.value;
            return true;
        }
    return false;
}

// The name of `value` in `names`; "" if it has none.
template <typename T, size_t N>
const char* name_of(const Named<T> (&names)[N], T value) {
    for (const Named<T>& n : names)
        if (n.value == value) return n.name;
    return "";
}

const Named<TextureQuality> QUALITY_NAMES[] = {{"quick", TextureQuality::Quick},
                                               {"fast", TextureQuality::Fast},
                                               {"normal", TextureQuality::Normal},
                                               {"high", TextureQuality::High},
                                               {"best", TextureQuality::Best}};
const Named<TextureDecoder> DECODER_NAMES[] = {{"nearest", TextureDecoder::Nearest},
                                               {"exact", TextureDecoder::Exact},
                                               {"truncate", TextureDecoder::Truncate}};

}  // namespace

bool texture_quality_find(const char* name, TextureQuality& quality) {
    return find_named(QUALITY_NAMES, name, quality);
}

bool texture_decoder_find(const char* name, TextureDecoder& decoder) {
    return find_named(DECODER_NAMES, name, decoder);
}

const char* texture_quality_name(TextureQuality quality) { return name_of(QUALITY_NAMES, quality); }

const char* texture_decoder_name(TextureDecoder decoder) { return name_of(DECODER_NAMES, decoder); }
