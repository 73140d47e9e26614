// The output sink: every run of the stream goes to "<output>.part" as it
// comes; the file takes its name only when the call succeeded and every byte
// was written.
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "texture/texture.h"
#include "vxsystem/vxsystem.h"

namespace {

struct StreamSink {
    FILE* file = nullptr;
    int32_t runs = 0;
    bool failed = false;
    int error_number = 0;  // the system's reason of the first failure
    bool progress = false;
    bool terminal = false;    // progress as one line rewritten in place
    bool palettised = false;  // a palette run comes before each face's levels
    int32_t face_levels = 1;  // levels of one face, from the surface header
    int32_t levels_done = 0;  // level runs written
};

// The surface header's mip count (little-endian, after the size, flags,
// height, width, pitch and depth words); 1 when it says none.
int32_t header_levels(const uint8_t* header, int32_t count) {
    constexpr int32_t MIP_COUNT_OFFSET = 24;
    if (count < MIP_COUNT_OFFSET + 4) return 1;
    const uint8_t* p = header + MIP_COUNT_OFFSET;
    const int32_t n = static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24);
    return n > 0 ? n : 1;
}

// Runs 1 and 2 are the magic and the header; each later one is a level, or,
// for the palette formats, the palette just before the first level of a face.
bool level_run(const StreamSink& sink) {
    if (sink.runs <= 2) return false;
    return !sink.palettised || (sink.runs - 3) % (sink.face_levels + 1) != 0;
}

int32_t stream_sink(int32_t count, const uint8_t* buffer, void* user) {
    StreamSink& sink = *static_cast<StreamSink*>(user);
    ++sink.runs;
    if (sink.failed) return -1;
    errno = 0;
    if (count < 0 || std::fwrite(buffer, 1, static_cast<size_t>(count), sink.file) !=
                         static_cast<size_t>(count)) {
        sink.failed = true;
        sink.error_number = errno != 0 ? errno : EIO;
        return -1;
    }
    if (sink.runs == 2) sink.face_levels = header_levels(buffer, count);
    if (!level_run(sink)) return count;
    ++sink.levels_done;
    if (sink.progress) print_levels_done(sink.levels_done, sink.terminal);
    return count;
}

}  // namespace

void print_levels_done(int32_t levels_done, bool terminal) {
    std::fprintf(
        stderr,
        terminal ? "\rrazivavu-texture: %d levels done" : "razivavu-texture: %d levels done\n",
        levels_done);
}

FILE* open_part_file(const std::string& part, int& error_number) {
    // A stale ".part" is replaced; a link is never written through.
    errno = 0;
    const int fd = create_part_file(part.c_str());
    FILE* file = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (!file) {
        error_number = errno != 0 ? errno : EIO;
        if (fd >= 0) {
            close(fd);
            std::remove(part.c_str());
            forget_part_file(part.c_str());
        }
    }
    return file;
}

StreamWrite write_texture_stream(const std::string& output, const TexturePicture& picture,
                                 const TextureSettings& settings, const CompressRect* rect,
                                 bool progress) {
    StreamWrite result;
    const std::string part = output + ".part";
    StreamSink sink;
    sink.file = open_part_file(part, result.error_number);
    if (!sink.file) {
        result.write_failed = true;
        return result;
    }
    sink.progress = progress;
    sink.terminal = isatty(STDERR_FILENO) != 0;
    const TextureFormatInfo* format = texture_format_info(settings.g_texture_format);
    sink.palettised = format && format->palettised != 0;
    TextureSettings s = settings;
    s.write_sink = stream_sink;
    s.user = &sink;
    result.result =
        compress_texture(picture.pixels.data(), picture.width, picture.height,
                         picture.width * picture.planes, s, picture.planes, nullptr, rect);
    result.levels = sink.levels_done;
    if (sink.progress && sink.terminal && sink.levels_done > 0) std::fputc('\n', stderr);
    result.error_number = sink.error_number;
    const bool kept =
        finish_part_file(sink.file, part.c_str(), output.c_str(),
                         result.result >= 0 && !sink.failed, result.error_number) != 0;
    result.write_failed = result.result >= 0 && !kept;
    return result;
}
