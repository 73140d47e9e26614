// A KTX2 output: the library's levels are gathered as they come (a KTX2
// file stores the smallest first), then the containers library lays them
// out into "<output>.part", which takes its name when every byte is
// written.
#include <unistd.h>

#include <cerrno>
#include <new>

#include "containers/containers.h"
#include "texture/texture.h"
#include "vxsystem/vxsystem.h"

namespace {

struct LevelGather {
    std::vector<uint8_t> bytes;
    int32_t width = 0;  // of level 0
    int32_t height = 0;
    int32_t levels = 0;
    int32_t code = 0;
    bool no_memory = false;
    bool progress = false;
    bool terminal = false;
};

// The library's chain from w x h: each side halved, rounding up, to 1 x 1.
int64_t chain_bytes(int32_t code, int32_t w, int32_t h) {
    int64_t total = texture_level_size(code, w, h);
    while (w > 1 || h > 1) {
        w = (w + 1) / 2;
        h = (h + 1) / 2;
        total += texture_level_size(code, w, h);
    }
    return total;
}

int32_t gather_level(const uint8_t* buffer, int32_t level, int32_t count, int32_t width,
                     int32_t height, void* user) {
    LevelGather& g = *static_cast<LevelGather*>(user);
    if (g.no_memory) return -1;
    try {
        // The whole chain at once, so the levels after the first move nothing.
        if (level == 0) {
            g.width = width;
            g.height = height;
            g.bytes.reserve(static_cast<size_t>(chain_bytes(g.code, width, height)));
        }
        g.bytes.insert(g.bytes.end(), buffer, buffer + count);
    } catch (const std::bad_alloc&) {
        g.no_memory = true;
        g.bytes = std::vector<uint8_t>();
        return -1;
    }
    ++g.levels;
    if (g.progress) print_levels_done(g.levels, g.terminal);
    return 0;
}

struct FileSink {
    FILE* file;
    int error_number = 0;
};

bool write_to_file(const uint8_t* bytes, size_t count, void* user) {
    FileSink& sink = *static_cast<FileSink*>(user);
    errno = 0;
    if (std::fwrite(bytes, 1, count, sink.file) == count) return true;
    sink.error_number = errno != 0 ? errno : EIO;
    return false;
}

}  // namespace

Ktx2Write write_texture_ktx2(const std::string& output, const TexturePicture& picture,
                             const TextureSettings& settings, const CompressRect* rect,
                             bool progress) {
    Ktx2Write result;
    StreamWrite& stream = result.stream;
    const std::string part = output + ".part";
    FileSink sink{open_part_file(part, stream.error_number)};
    if (!sink.file) {
        stream.write_failed = true;
        return result;
    }
    LevelGather gather;
    gather.code = settings.g_texture_format;
    gather.progress = progress;
    gather.terminal = isatty(STDERR_FILENO) != 0;
    TextureSettings s = settings;
    s.write_sink = nullptr;
    s.user = &gather;
    stream.result =
        compress_texture(picture.pixels.data(), picture.width, picture.height,
                         picture.width * picture.planes, s, picture.planes, gather_level, rect);
    stream.levels = gather.levels;
    if (gather.progress && gather.terminal && gather.levels > 0) std::fputc('\n', stderr);
    result.no_memory = gather.no_memory;

    bool whole = false;
    if (stream.result >= 0 && !gather.no_memory) {
        MipChain chain;
        chain.format = static_cast<TextureFormat>(settings.g_texture_format);
        chain.width = gather.width;
        chain.height = gather.height;
        chain.levels = gather.levels;
        chain.bytes = gather.bytes.data();
        chain.size = static_cast<int64_t>(gather.bytes.size());
        // The picture came in blue first, as the formats' own layouts name
        // their bytes; g_b_swap_rgb then exchanges red and blue as it does
        // in a DDS stream.
        chain.order = ColourOrder::BlueFirst;
        chain.opaque = picture.planes != 4;
        const ContainerResult written =
            write_container(Container::Ktx2, chain, write_to_file, &sink, &result.refused);
        whole = written == ContainerResult::Written;
        stream.error_number = sink.error_number;
    }
    const bool kept =
        finish_part_file(sink.file, part.c_str(), output.c_str(), whole, stream.error_number) != 0;
    stream.write_failed =
        stream.result >= 0 && !result.no_memory && result.refused.empty() && !kept;
    return result;
}
