// What --set and --list-keys add to the library's key table: the range as
// words and the listing. Every key, its kind, default, range and meaning
// come from the table itself (texture_setting_keys).
#include <cmath>
#include <cstdio>
#include <cstring>

#include "texture/texture.h"

namespace {

std::string number_text(double v) {
    char t[32];
    std::snprintf(t, sizeof t, "%.10g", v);
    return t;
}

const char* kind_name(SettingKind kind) {
    switch (kind) {
        case SettingKind::Flag:
            return "flag";
        case SettingKind::Whole:
            return "whole";
        case SettingKind::Decimal:
            return "number";
        case SettingKind::Text:
            return "text";
    }
    return "?";
}

// "CustomFilter_%d" as "CustomFilter_0..32": each number by its span.
std::string listed_name(const TextureSettingKey& k) {
    std::string name;
    int field = 0;
    for (const char* c = k.name; *c; ++c) {
        if (c[0] == '%' && c[1] == 'd' && field < 2) {
            name += std::to_string(k.first[field]) + ".." +
                    std::to_string(k.first[field] + k.count[field] - 1);
            ++field;
            ++c;
        } else {
            name += *c;
        }
    }
    return name;
}

std::string listed_default(const TextureSettingKey& k) {
    if (!k.listed_default) return number_text(k.standard);
    return k.listed_default[0] ? k.listed_default : "\"\"";
}

}  // namespace

std::string setting_range(const TextureSettingKey& k) {
    if (k.kind == SettingKind::Text) return "any text";
    if (k.kind == SettingKind::Flag) return "0 or 1";
    const bool low = std::isfinite(k.min), high = std::isfinite(k.max);
    // A decimal key whose range starts at 0 must stay above it.
    const bool above = k.kind == SettingKind::Decimal && low && k.min == 0;
    if (!low && !high) return "any";
    if (!low) return "up to " + number_text(k.max);
    if (!high) return (above ? "above " : "from ") + number_text(k.min);
    return (above ? "above " : "") + number_text(k.min) + " .. " + number_text(k.max);
}

std::string setting_keys_text() {
    std::string t =
        "Keys of --set KEY=VALUE (also the lines of a --profile file): kind, default, range, "
        "meaning.\n"
        "Keys marked [profile] are profile-only: the library reads them from a profile, and "
        "--set hands\nthem over as profile lines after those of --profile.\n";
    int32_t count = 0;
    const TextureSettingKey* keys = texture_setting_keys(&count);
    for (int32_t n = 0; n < count; ++n) {
        const TextureSettingKey& k = keys[n];
        char line[512];
        std::snprintf(line, sizeof line, "  %-33s %-6s %-10s %-20s %s%s\n", listed_name(k).c_str(),
                      kind_name(k.kind), listed_default(k).c_str(), setting_range(k).c_str(),
                      k.scope == SettingScope::Profile ? "[profile] " : "", k.meaning);
        t += line;
    }
    return t;
}
