// The run of razivavu-texture: arguments, settings, picture, one
// compression call, and a message naming the reason whenever no file comes
// out.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "normalmap/normalmap.h"
#include "texcomp/texcomp.h"
#include "texture/texture.h"
#include "tool/tile_pool.h"

namespace {

// Pictures from this many pixels on report each level as it is written.
constexpr int64_t PROGRESS_PIXELS = 512 * 512;

int fail(int code, const std::string& message) {
    std::fprintf(stderr, "razivavu-texture: %s\n", message.c_str());
    return code;
}

}  // namespace

int run_texture(int argc, char** argv) {
    // The normal-map step's diagnostics reach the user; the library itself
    // stays silent.
    normalmap_set_receiver(&normalmap_print_to_stderr);
    std::vector<std::string> args(argv + 1, argv + argc);
    TextureOptions o;
    const std::string bad = parse_texture_args(args, o);
    if (!bad.empty()) return fail(TEXTURE_USAGE, bad + "\n" + texture_usage());
    if (o.help) {
        std::printf("%s", texture_usage().c_str());
        return std::fflush(stdout) == 0 ? TEXTURE_OK : TEXTURE_WRITE;
    }

    TextureSettings settings;
    texture_settings_init(settings);
    // The texture is made on every core unless RAZIVAVU_THREADS says
    // otherwise, as the tiling tool's tiles are; the file is the same.
    std::string note;
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    settings.threads =
        tile_threads(std::getenv("RAZIVAVU_THREADS"), std::clamp(cores, 1, MAX_TILE_THREADS), note);
    if (!note.empty()) std::fprintf(stderr, "razivavu-texture: WARNING: %s\n", note.c_str());
    for (const auto& [key, value] : o.settings) {
        const std::string refused = apply_setting(settings, key, value);
        if (!refused.empty()) return fail(TEXTURE_USAGE, refused);
    }
    if (!o.profile.empty()) {
        // The library would refuse an unreadable profile with the result of a
        // missing picture; saying so here names the real reason.
        FILE* profile = std::fopen(o.profile.c_str(), "r");
        if (!profile) return fail(TEXTURE_USAGE, "cannot read the profile " + o.profile);
        std::fclose(profile);
    }

    TexturePicture picture;
    const std::string unread = load_texture_picture(o.input, picture);
    if (!unread.empty()) return fail(TEXTURE_BAD_INPUT, unread);

    int64_t w = picture.width, h = picture.height;
    if (o.has_rect) {
        w = int64_t{o.rect.x1} - o.rect.x0 + 1;
        h = int64_t{o.rect.y1} - o.rect.y0 + 1;
    }
    const bool progress = !o.quiet && w * h >= PROGRESS_PIXELS;
    texture_set_profile_path(o.profile.c_str());
    const StreamWrite written =
        write_texture_stream(o.output, picture, settings, o.has_rect ? &o.rect : nullptr, progress);
    texture_set_profile_path(nullptr);
    if (written.result < 0) {
        return fail(TEXTURE_REFUSED,
                    "compress_texture refused the call (" + std::to_string(written.result) +
                        "): " + texture_result_message(written.result) + "; no file written");
    }
    if (written.write_failed)
        return fail(TEXTURE_WRITE, "cannot write " + o.output + "; no file left under that name");
    if (!o.quiet) {
        const TextureFormatInfo* info = texture_format_info(settings.g_texture_format);
        std::fprintf(stderr, "razivavu-texture: %s written (%s)\n", o.output.c_str(),
                     info ? info->name : "?");
    }
    return TEXTURE_OK;
}
