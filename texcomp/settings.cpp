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

}  // namespace

bool texture_quality_find(const char* name, TextureQuality& quality) {
    static const Named<TextureQuality> names[] = {{"quick", TextureQuality::Quick},
                                                  {"fast", TextureQuality::Fast},
                                                  {"normal", TextureQuality::Normal},
                                                  {"high", TextureQuality::High},
                                                  {"best", TextureQuality::Best}};
    return find_named(names, name, quality);
}

bool texture_decoder_find(const char* name, TextureDecoder& decoder) {
    static const Named<TextureDecoder> names[] = {{"nearest", TextureDecoder::Nearest},
                                                  {"exact", TextureDecoder::Exact},
                                                  {"truncate", TextureDecoder::Truncate}};
    return find_named(names, name, decoder);
}
