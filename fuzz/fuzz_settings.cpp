// Settings as text: a settings profile and the command line of
// razivavu-texture, then a small compression with what they set.
//
// Input: the profile's text, a line "%%", then one command-line argument per
// line (e.g. "--set", "g_mip_filter_type=7", "--format", "dxt5", "--rect",
// "0,0,7,7"); the input and output names are appended. Without a "%%" line
// the whole input is the command line.
//
// Contract: an accepted command line names its input and output; a refused
// --set leaves the settings record as it was, an accepted one applied again
// changes nothing (profile-only keys become profile lines after the
// profile's own, as the command hands them over); compress_texture gives
// one of its results; a refused call
// (any negative result but running out of memory) emits nothing; a call
// that ran emits "DDS ", the 124-byte header and at least one level.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "texcomp/texcomp.h"
#include "texture/texture.h"

namespace {

struct Seen {
    std::vector<std::vector<uint8_t>> runs;
};

int32_t sink(int32_t count, const uint8_t* buffer, void* user) {
    FUZZ_REQUIRE(count >= 0);
    static_cast<Seen*>(user)->runs.emplace_back(buffer, buffer + count);
    return count;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Rescaled sizes stay small, so every input compresses in a moment; what a
// size or factor does is the compression target's ground.
void keep_small(TextureSettings& s) {
    const float most = s.g_rescale_mode == 6 ? 4.0f : 64.0f;
    if (std::isfinite(s.g_rescale_width) && s.g_rescale_width > most) s.g_rescale_width = most;
    if (std::isfinite(s.g_rescale_height) && s.g_rescale_height > most) s.g_rescale_height = most;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::enter_scratch_dir();
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string profile, command = text;
    const size_t split = text.find("%%\n");
    if (split != std::string::npos && (split == 0 || text[split - 1] == '\n')) {
        profile = text.substr(0, split);
        command = text.substr(split + 3);
    }
    std::vector<std::string> args = lines_of(command);
    args.push_back("in.bmp");
    args.push_back("out.dds");

    TextureOptions o;
    if (!parse_texture_args(args, o).empty()) return 0;
    if (o.help || o.version || o.list_keys) return 0;
    FUZZ_REQUIRE(!o.input.empty() && !o.output.empty());

    // The record as the command builds it; profile-only keys of --set
    // become profile lines.
    CommandSettings cs;
    if (!texture_settings_for(TextureOptions{}, cs).empty()) return 0;
    cs.settings.quality = o.quality;
    for (const auto& [key, value] : o.settings) {
        TextureSettings before;
        std::memcpy(&before, &cs.settings, sizeof before);
        const size_t lines = cs.profile_lines.size();
        if (!apply_setting(cs, key, value).empty()) {
            FUZZ_REQUIRE(std::memcmp(&before, &cs.settings, sizeof before) == 0);
            FUZZ_REQUIRE(cs.profile_lines.size() == lines);
            return 0;
        }
        CommandSettings again;
        std::memcpy(&again.settings, &cs.settings, sizeof again.settings);
        FUZZ_REQUIRE(apply_setting(again, key, value).empty());
        FUZZ_REQUIRE(std::memcmp(&again.settings, &cs.settings, sizeof again.settings) == 0);
    }
    TextureSettings& settings = cs.settings;
    if (!cs.profile_lines.empty()) {
        if (!profile.empty() && profile.back() != '\n') profile += '\n';
        for (const std::string& line : cs.profile_lines) profile += line + "\n";
    }
    keep_small(settings);

    const std::string path = fuzz::scratch_file("profile.txt");
    const bool with_profile = !profile.empty();
    if (with_profile && !fuzz::write_bytes_to(
                            path, reinterpret_cast<const uint8_t*>(profile.data()), profile.size()))
        return 0;

    // A small picture with alpha, every byte different.
    constexpr int32_t W = 16, H = 16, PLANES = 4;
    std::vector<uint8_t> pixels(W * H * PLANES);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 29 + i / 61);
    Seen seen;
    settings.write_sink = sink;
    settings.user = &seen;
    texture_set_profile_path(with_profile ? path.c_str() : nullptr);
    const int32_t result = compress_texture(pixels.data(), W, H, W * PLANES, settings, PLANES,
                                            nullptr, o.has_rect ? &o.rect : nullptr);
    texture_set_profile_path(nullptr);

    FUZZ_REQUIRE(result <= TEXCOMP_OK && result >= TEXCOMP_ENCODER_FAILED);
    if (result < 0 && result != TEXCOMP_NO_MEMORY) FUZZ_REQUIRE(seen.runs.empty());
    if (result == TEXCOMP_OK) {
        FUZZ_REQUIRE(seen.runs.size() >= 3);
        FUZZ_REQUIRE(seen.runs[0].size() == 4 && std::memcmp(seen.runs[0].data(), "DDS ", 4) == 0);
        FUZZ_REQUIRE(seen.runs[1].size() == 124);
    }
    fuzz::trim_log();
    return 0;
}
