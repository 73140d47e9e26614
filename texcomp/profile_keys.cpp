// A profile's lines and defaults, applied through the settings key table.
#include <cmath>
#include <cstdio>

#include "texcomp/profile.h"
#include "texcomp/setting_access.h"

void apply_profile_line(TextureCompressor& tc, const char* key, const char* value) {
    int32_t index[2];
    const TextureSettingKey* k = texture_setting_key_find(key, index);
    if (!k) return;
    if (k->scope == SettingScope::Record) k->access->apply(tc.settings, index, value);
    if (k->scope == SettingScope::Profile) k->access->apply_profile(tc, index, value);
}

void apply_profile_defaults(TextureCompressor& tc) {
    int32_t count = 0;
    const TextureSettingKey* keys = texture_setting_keys(&count);
    const TextureSettings caller = tc.settings;
    texture_settings_init(tc.settings);
    for (int32_t n = 0; n < count; ++n) {
        const TextureSettingKey& k = keys[n];
        for_each_entry(k, [&](const int32_t* i) {
            if (k.scope == SettingScope::Profile) {
                k.access->store_profile(tc, i, setting_standard(k, i));
            } else if (k.scope == SettingScope::Record) {
                if (std::isnan(k.profile_standard))
                    k.access->store(tc.settings, i, k.access->load(caller, i));
                else if (k.profile_standard != k.standard)
                    k.access->store(tc.settings, i, k.profile_standard);
            }
        });
    }
    std::snprintf(tc.profile_name, sizeof tc.profile_name, "%s", "<no profile loaded>");
}
