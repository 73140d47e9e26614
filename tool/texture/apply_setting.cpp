// One --set KEY=VALUE. The library applies a key the way a settings profile
// line would, taking the value's leading number and ignoring the rest, which
// is right for a profile but would let a typing slip through on a command
// line. So the value must be a whole number, or for a key of a
// floating-point field any decimal number, inside the key's range; the
// library's key table says which. A value outside the range is refused here,
// naming the key and its range, rather than by the library with a reason
// that names no key.
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "texcomp/texcomp.h"
#include "texture/texture.h"
#include "tool/tiletool.h"

namespace {

bool decimal_number(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v) || std::fabs(v) > 3.0e38) return false;
    out = v;
    return true;
}

}  // namespace

std::string apply_setting(CommandSettings& out, const std::string& key, const std::string& value) {
    std::string v = value;
    if (key == "g_texture_format") {
        const int32_t code = parse_format(value);
        if (code < 0) return "unknown format " + value + " (see --help for the list)";
        v = std::to_string(code);
    }
    int32_t index[2];
    const TextureSettingKey* k = texture_setting_key_find(key.c_str(), index);
    if (!k) return "unknown settings key " + key + " (--list-keys lists them)";
    double number = 0;
    if (k->kind == SettingKind::Text) {
        // A profile line ends at the line break.
        if (v.find_first_of("\r\n") != std::string::npos)
            return "bad value for " + key + ": a line break";
    } else if (k->kind == SettingKind::Decimal) {
        if (!decimal_number(v, number))
            return "bad value for " + key + ": " + value + " is not a number";
    } else {
        int32_t whole = 0;
        if (!parse_whole_number(v.c_str(), whole))
            return "bad value for " + key + ": " + value + " is not a whole number";
        number = whole;
    }
    if (!texture_setting_in_range(*k, number))
        return key + "=" + value + " is outside its range " + setting_range(*k);
    // A checked value reads the same through the profile's conversions as
    // it was checked; a profile-only key reaches the library as a profile line.
    if (k->scope == SettingScope::Profile)
        out.profile_lines.push_back(key + " " + v);
    else
        texture_setting_apply(out.settings, *k, index, v.c_str());
    return "";
}

std::string texture_settings_for(const TextureOptions& options, CommandSettings& out) {
    out = CommandSettings{};
    texture_settings_init(out.settings);
    out.settings.quality = options.quality;
    out.settings.decoder = options.decoder;
    for (const auto& [key, value] : options.settings) {
        const std::string refused = apply_setting(out, key, value);
        if (!refused.empty()) return refused;
    }
    return "";
}
