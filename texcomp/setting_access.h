// How a row of the settings key table reaches its field: made once per field
// from the field's member pointer, so a row cannot read one field and write
// another, and the field's type decides the profile conversion.
#pragma once

#include <cstdint>

#include "texcomp/compressor.h"
#include "texcomp/texcomp.h"

struct SettingAccess {
    // Fields of TextureSettings (Record and RecordOnly keys); null otherwise.
    void (*apply)(TextureSettings& s, const int32_t index[2], const char* text);
    void (*store)(TextureSettings& s, const int32_t index[2], double value);
    double (*load)(const TextureSettings& s, const int32_t index[2]);
    // Fields only a profile sets (Profile keys); null otherwise.
    void (*apply_profile)(TextureCompressor& tc, const int32_t index[2], const char* text);
    void (*store_profile)(TextureCompressor& tc, const int32_t index[2], double value);
    // The default of an indexed entry; null: the row's one default.
    double (*standard_at)(const int32_t index[2]);
};

// The default a row gives entry `index` (its `standard` for plain keys).
double setting_standard(const TextureSettingKey& key, const int32_t index[2]);

// Applies `fn` to every entry (every index pair) of `key`.
template <typename Fn>
void for_each_entry(const TextureSettingKey& key, Fn fn) {
    const int32_t n0 = key.count[0] > 0 ? key.count[0] : 1;
    const int32_t n1 = key.count[1] > 0 ? key.count[1] : 1;
    for (int32_t i = 0; i < n0; ++i)
        for (int32_t j = 0; j < n1; ++j) {
            const int32_t index[2] = {key.first[0] + i, key.first[1] + j};
            fn(index);
        }
}
