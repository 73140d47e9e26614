// The run of razivavu-texture: arguments, settings, profile, picture, one
// compression call, and a message naming the reason whenever no file comes
// out.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "containers/containers.h"
#include "normalmap/normalmap.h"
#include "texcomp/texcomp.h"
#include "texture/texture.h"
#include "tool/tile_pool.h"
#include "vxsystem/vxsystem.h"
#include "workpool/workpool.h"

namespace {

// Pictures from this many pixels on report each level as it is written.
constexpr int64_t PROGRESS_PIXELS = 512 * 512;

int fail(int code, const std::string& message) {
    std::fprintf(stderr, "razivavu-texture: %s\n", message.c_str());
    return code;
}

// The profile the library reads: the --profile file as it is, or, when
// --set gave profile-only keys, a temporary copy of it with those lines
// after its own (so they win, as the command line does). Removed at the end
// of the run.
struct ProfileFile {
    std::string path;
    bool temporary = false;
    ~ProfileFile() {
        if (temporary) std::remove(path.c_str());
    }
};

std::string prepare_profile(const TextureOptions& o, const CommandSettings& cs,
                            ProfileFile& profile) {
    std::string text;
    if (!o.profile.empty()) {
        const std::string unread = read_profile_text(o.profile, text);
        if (!unread.empty()) return unread;
        for (const std::string& w : profile_warnings(o.profile, text))
            std::fprintf(stderr, "razivavu-texture: warning: %s\n", w.c_str());
        profile.path = o.profile;
    }
    if (cs.profile_lines.empty()) return "";
    if (!text.empty() && text.back() != '\n') text += '\n';
    for (const std::string& line : cs.profile_lines) text += line + "\n";
    std::error_code ec;
    std::string pattern =
        (std::filesystem::temp_directory_path(ec) / "razivavu-profile-XXXXXX").string();
    if (ec) pattern = "/tmp/razivavu-profile-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) return std::string("cannot make a temporary profile: ") + std::strerror(errno);
    profile.path = pattern;
    profile.temporary = true;
    // The reason reported is that of the first call that failed.
    int error = write_all(fd, text.data(), text.size());
    if (close(fd) != 0 && error == 0) error = errno;
    if (error != 0) return std::string("cannot write a temporary profile: ") + std::strerror(error);
    return "";
}

// Why the settings cannot give a KTX2 file, or empty: a format the
// containers library has no KTX2 form of, or a cube or volume map.
std::string ktx2_refusal(const TextureSettings& s) {
    const TextureFormat format = static_cast<TextureFormat>(s.g_texture_format);
    const std::string no_form = container_format_refusal(Container::Ktx2, format);
    if (!no_form.empty()) return no_form + " (a .dds name takes every format)";
    if (s.g_texturemap_type != static_cast<int32_t>(TextureMapType::Plain))
        return "a .ktx2 output holds one plain texture, not a cube or a volume "
               "(g_texturemap_type " +
               std::to_string(s.g_texturemap_type) + "); a .dds name takes them";
    return "";
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
    if (o.help || o.version || o.list_keys) {
        if (o.help) std::printf("%s", texture_usage().c_str());
        if (o.version) std::printf("razivavu-texture %s\n", razivavu_version());
        if (o.list_keys)
            std::printf("%s\n%s", setting_keys_text().c_str(), height_sources_text().c_str());
        return std::fflush(stdout) == 0 ? TEXTURE_OK : TEXTURE_WRITE;
    }

    CommandSettings cs;
    const std::string refused = texture_settings_for(o, cs);
    if (!refused.empty()) return fail(TEXTURE_USAGE, refused);
    // The format is known only now: --format or --set names it.
    const std::string misnamed = output_refusal(o.output, cs.settings.g_texture_format);
    if (!misnamed.empty()) return fail(TEXTURE_USAGE, misnamed);
    if (o.ktx2) {
        const std::string no_form = ktx2_refusal(cs.settings);
        if (!no_form.empty()) return fail(TEXTURE_USAGE, no_form);
    }
    // The texture is made on every processor the job was given unless
    // RAZIVAVU_THREADS says otherwise, as the tiling tool's tiles are; the
    // file is the same.
    std::string note;
    cs.settings.threads = tile_threads(std::getenv("RAZIVAVU_THREADS"),
                                       std::min(usable_processors(), MAX_TILE_THREADS), note);
    if (!note.empty()) std::fprintf(stderr, "razivavu-texture: WARNING: %s\n", note.c_str());
    ProfileFile profile;
    const std::string no_profile = prepare_profile(o, cs, profile);
    if (!no_profile.empty()) return fail(TEXTURE_USAGE, no_profile);

    TexturePicture picture;
    const std::string unread = load_texture_picture(o.input, picture);
    if (!unread.empty()) return fail(TEXTURE_BAD_INPUT, unread);
    // A JPEG has no alpha, a grey picture one value in each colour: a height
    // taken from such a channel makes a flat map, which nobody asks for.
    const HeightSource* height = find_height_source(o.height);
    if (o.normal_map && height_is_flat(picture, *height))
        std::fprintf(stderr,
                     "razivavu-texture: warning: the height (%s) is the same over the whole "
                     "picture, so the normal map is flat; --height chooses another channel\n",
                     height->name);

    int64_t w = picture.width, h = picture.height;
    if (o.has_rect) {
        w = int64_t{o.rect.x1} - o.rect.x0 + 1;
        h = int64_t{o.rect.y1} - o.rect.y0 + 1;
    }
    const bool progress = !o.quiet && w * h >= PROGRESS_PIXELS;
    texture_set_profile_path(profile.path.c_str());
    const CompressRect* rect = o.has_rect ? &o.rect : nullptr;
    Ktx2Write ktx2;
    if (o.ktx2)
        ktx2 = write_texture_ktx2(o.output, picture, cs.settings, rect, progress);
    else
        ktx2.stream = write_texture_stream(o.output, picture, cs.settings, rect, progress);
    const StreamWrite& written = ktx2.stream;
    texture_set_profile_path(nullptr);
    if (written.result < 0) {
        return fail(TEXTURE_REFUSED,
                    "compress_texture refused the call (" + std::to_string(written.result) +
                        "): " + texture_result_message(written.result) + "; no file written");
    }
    if (ktx2.no_memory)
        return fail(TEXTURE_NO_MEMORY,
                    "not enough memory for the levels of " + o.output + "; no file written");
    if (!ktx2.refused.empty())
        return fail(TEXTURE_REFUSED,
                    "a KTX2 file cannot hold these levels: " + ktx2.refused + "; no file written");
    if (written.write_failed)
        return fail(TEXTURE_WRITE,
                    "cannot write " + o.output + ": " +
                        std::strerror(written.error_number != 0 ? written.error_number : EIO) +
                        "; no file left under that name");
    if (!o.quiet) {
        const TextureFormatInfo* info = texture_format_info(cs.settings.g_texture_format);
        std::fprintf(stderr, "razivavu-texture: %s written (%s)\n", o.output.c_str(),
                     info ? info->name : "?");
    }
    return TEXTURE_OK;
}
