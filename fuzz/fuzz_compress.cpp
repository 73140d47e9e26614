// compress_texture with every settings field fuzzed, on a small picture.
//
// Contract: a refused call (any negative result but running out of memory)
// emits nothing; a call that ran emits a stream that starts with the magic
// and the 124-byte header, then at least one level (or, with a level
// callback, hands over at least one level and emits nothing to the sink).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "texcomp/texcomp.h"

namespace {

struct Seen {
    std::vector<int32_t> runs;  // byte count of every run the sink received
    bool magic_ok = true;
    int levels = 0;  // through the level callback
};

int32_t sink(int32_t count, const uint8_t* buffer, void* user) {
    Seen& seen = *static_cast<Seen*>(user);
    FUZZ_REQUIRE(count >= 0);
    if (seen.runs.empty()) seen.magic_ok = count == 4 && std::memcmp(buffer, "DDS ", 4) == 0;
    if (seen.runs.size() == 1 && count == 124) {
        uint32_t size_word = 0;
        std::memcpy(&size_word, buffer, 4);
        if (size_word != 124) seen.magic_ok = false;
    }
    // Every byte of a run must be readable.
    unsigned sum = 0;
    for (int32_t i = 0; i < count; ++i) sum += buffer[i];
    (void)sum;
    seen.runs.push_back(count);
    return count;
}

int32_t level_callback(const uint8_t* buffer, int32_t, int32_t count, int32_t width, int32_t height,
                       void* user) {
    FUZZ_REQUIRE(count >= 0 && width >= 1 && height >= 1);
    unsigned sum = 0;
    for (int32_t i = 0; i < count; ++i) sum += buffer[i];
    (void)sum;
    ++static_cast<Seen*>(user)->levels;
    return 0;
}

uint8_t flag(FuzzedDataProvider& in) {
    // Mostly 0 or 1, sometimes any byte (every non-zero byte means "on").
    const uint8_t v = in.ConsumeIntegral<uint8_t>();
    return v < 200 ? v & 1 : v;
}

void fuzz_settings(FuzzedDataProvider& in, TextureSettings& s) {
    s.g_rescale_mode = in.ConsumeIntegralInRange<int32_t>(-1, 8);
    // Sizes from modes 5 and 7, factors from mode 6, kept to pictures that
    // can be made in a moment.
    const bool factors = s.g_rescale_mode == 6;
    s.g_rescale_width = fuzz::pick_float(in, -2.0f, factors ? 4.0f : 200.0f);
    s.g_rescale_height = fuzz::pick_float(in, -2.0f, factors ? 4.0f : 200.0f);
    const uint8_t chain = in.ConsumeIntegral<uint8_t>();
    s.g_mip_map_type =
        chain < 240 ? static_cast<int16_t>(30 + chain % 3) : in.ConsumeIntegral<int16_t>();
    s.g_specified_mip_maps = in.ConsumeIntegralInRange<int16_t>(-2, 20);
    s.g_mip_filter_type = in.ConsumeIntegralInRange<int32_t>(-1, 15);
    s.g_b_binary_alpha = flag(in);
    s.g_b_normalmaptype = in.ConsumeIntegralInRange<int32_t>(-1, 3);
    s.g_b_alpha_border = flag(in);
    s.g_b_border = flag(in);
    s.g_border_color = in.ConsumeIntegral<int32_t>();
    s.g_b_fade_color = flag(in);
    s.g_b_fade_alpha = flag(in);
    s.g_fade_to_color = in.ConsumeIntegral<int32_t>();
    s.g_fade_to_alpha = in.ConsumeIntegral<int32_t>();
    s.g_fade_to_delay = in.ConsumeIntegralInRange<int32_t>(-3, 20);
    s.g_fade_amount = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-300, 300)
                                       : in.ConsumeIntegral<int32_t>();
    s.g_binary_alpha_threshold = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-1, 256)
                                                  : in.ConsumeIntegral<int32_t>();
    s.g_b_dither_color = flag(in);
    s.g_b_dither_mip0 = flag(in);
    s.g_b_grey_scale = flag(in);
    s.g_b_quick_compress = flag(in);
    s.g_b_force_four_colours = flag(in);
    for (float& v : s.CustomFilter) v = fuzz::pick_float(in, -16.0f, 16.0f);
    for (int32_t& v : s.SharpeningPassMIP) v = in.ConsumeIntegralInRange<int32_t>(-1, 3);
    s.g_sharpen_method = in.ConsumeIntegralInRange<uint8_t>(0, 20) == 0 ? 1 : 0;
    s.g_b_error_diffusion = flag(in);
    s.g_filter_gamma = fuzz::pick_float(in, -1.0f, 5.0f);
    s.g_filter_blur = fuzz::pick_float(in, -1.0f, 20.0f);
    s.g_filter_width = fuzz::pick_float(in, -1.0f, 80.0f);
    s.g_override_filter_width = flag(in);
    s.g_texturemap_type = in.ConsumeIntegralInRange<int32_t>(-1, 3);
    s.g_texture_format = in.ConsumeIntegralInRange<int32_t>(-1, 17);
    s.g_b_swap_rgb = flag(in);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    Seen seen;
    TextureSettings s;
    texture_settings_init(s);
    fuzz_settings(in, s);
    s.write_sink = sink;
    s.user = &seen;

    const uint8_t shape = in.ConsumeIntegral<uint8_t>();
    int32_t planes = shape < 250 ? 3 + (shape & 1) : shape % 7;
    const int32_t w = in.ConsumeIntegralInRange<int32_t>(-1, 40);
    const int32_t h = in.ConsumeIntegralInRange<int32_t>(-1, 24);
    const int32_t row = (w > 0 ? w : 1) * (planes > 0 ? planes : 1);
    const int32_t pitch = row + in.ConsumeIntegralInRange<int32_t>(0, 5);
    CompressRect rect{};
    const bool with_rect = in.ConsumeIntegralInRange<uint8_t>(0, 7) == 0;
    if (with_rect) {
        rect.x0 = in.ConsumeIntegralInRange<int32_t>(-2, 41);
        rect.y0 = in.ConsumeIntegralInRange<int32_t>(-2, 25);
        rect.x1 = in.ConsumeIntegralInRange<int32_t>(-2, 41);
        rect.y1 = in.ConsumeIntegralInRange<int32_t>(-2, 25);
    }
    const bool with_callback = in.ConsumeIntegralInRange<uint8_t>(0, 7) == 0;
    // Exactly the bytes the picture spans, so that any read past it is seen.
    const size_t bytes = h > 0 ? static_cast<size_t>(pitch) * (h - 1) + row : 1;
    std::vector<uint8_t> pixels = in.ConsumeBytes<uint8_t>(bytes);
    pixels.resize(bytes, 0x5A);

    const int32_t result =
        compress_texture(pixels.data(), w, h, pitch, s, planes,
                         with_callback ? level_callback : nullptr, with_rect ? &rect : nullptr);
    if (std::getenv("RAZIVAVU_FUZZ_VERBOSE")) {
        // What the input decoded to, for reproducing a finding by hand.
        std::fprintf(stderr,
                     "compress_texture(%dx%d, pitch %d, planes %d, rect %d, callback %d): format "
                     "%d, chain %d, levels %d, map %d, rescale %d (%g, %g), filter %d, override "
                     "%d (blur %g, width %g, gamma %g), diffusion %d, quick %d -> %d, %zu runs\n",
                     w, h, pitch, planes, with_rect, with_callback, s.g_texture_format,
                     s.g_mip_map_type, s.g_specified_mip_maps, s.g_texturemap_type,
                     s.g_rescale_mode, double(s.g_rescale_width), double(s.g_rescale_height),
                     s.g_mip_filter_type, s.g_override_filter_width, double(s.g_filter_blur),
                     double(s.g_filter_width), double(s.g_filter_gamma), s.g_b_error_diffusion,
                     s.g_b_quick_compress, result, seen.runs.size());
    }
    // The encoder refusing a level the driver made is a fault of the library.
    FUZZ_REQUIRE(result <= TEXCOMP_OK && result >= TEXCOMP_NO_MEMORY);
    if (result < 0 && result != TEXCOMP_NO_MEMORY) {
        FUZZ_REQUIRE(seen.runs.empty() && seen.levels == 0);
    } else if (result == 0) {
        if (with_callback) {
            FUZZ_REQUIRE(seen.runs.empty() && seen.levels >= 1);
        } else {
            FUZZ_REQUIRE(seen.runs.size() >= 3);
            FUZZ_REQUIRE(seen.magic_ok && seen.runs[1] == 124);
        }
    }
    return 0;
}
