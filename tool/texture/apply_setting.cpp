// One --set KEY=VALUE. The library applies a key the way a settings profile
// line would, taking the value's leading number and ignoring the rest, which
// is right for a profile but would let a typing slip through on a command
// line. So the value must be a whole number, or for a key of a
// floating-point field any decimal number; the key's kind is found by
// asking the library to apply "0.5" and "0" to two copies of one record.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "texcomp/texcomp.h"
#include "texture/texture.h"
#include "tool/tiletool.h"

namespace {

bool whole_number(const std::string& text) {
    int32_t v = 0;
    return parse_whole_number(text.c_str(), v);
}

bool decimal_number(const std::string& text) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    return errno == 0 && *end == '\0' && std::isfinite(v) && std::fabs(v) <= 3.0e38;
}

// Whether the key keeps a fraction: the two records differ only when "0.5"
// is stored as something else than "0".
bool fractional_key(const TextureSettings& settings, const std::string& key) {
    TextureSettings a, b;
    std::memcpy(&a, &settings, sizeof a);
    std::memcpy(&b, &settings, sizeof b);
    texture_settings_set_key(&a, key.c_str(), "0.5");
    texture_settings_set_key(&b, key.c_str(), "0");
    return std::memcmp(&a, &b, sizeof a) != 0;
}

}  // namespace

std::string apply_setting(TextureSettings& settings, const std::string& key,
                          const std::string& value) {
    std::string v = value;
    if (key == "g_texture_format") {
        const int32_t code = parse_format(value);
        if (code < 0) return "unknown format " + value + " (see --help for the list)";
        v = std::to_string(code);
    }
    TextureSettings probe;
    std::memcpy(&probe, &settings, sizeof probe);
    if (texture_settings_set_key(&probe, key.c_str(), "0") != 1)
        return "unknown settings key " + key;
    const bool fractional = fractional_key(settings, key);
    if (fractional ? !decimal_number(v) : !whole_number(v))
        return "bad value for " + key + ": " + value + " is not " +
               (fractional ? "a number" : "a whole number");
    texture_settings_set_key(&settings, key.c_str(), v.c_str());
    return "";
}
