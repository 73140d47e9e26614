// Tile files: the 32-byte header, the level-skipping sink and the writing of
// one file.
//
// The compression library emits a whole texture stream: a 4-byte magic, a
// 124-byte surface header, then one run per level, largest first. A tile file
// keeps only the levels, and the top and bottom rows of tiles also drop their
// one or two largest levels, so those rows keep a half and a quarter of the
// resolution.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <new>

#include "texcomp/texcomp.h"
#include "tool/tiletool.h"
#include "vxsystem/vxsystem.h"

namespace {

int32_t write_run(TileSink& sink, int32_t count, const uint8_t* buffer) {
    if (sink.failed) return -1;
    errno = 0;
    const int32_t written = write_bytes(sink.file, buffer, count);
    if (written != count) {
        sink.failed = 1;
        sink.error_number = errno != 0 ? errno : EIO;
        return -1;
    }
    if (sink.hash) hash_stream_add(sink.hash, buffer, static_cast<size_t>(count));
    sink.bytes += count;
    return written;
}

// Creates `part` as a new file (see create_part_file: a stale one is
// replaced, a link is never followed). Null with errno set otherwise.
FILE* open_part_file(const std::string& part) {
    const int fd = create_part_file(part.c_str());
    if (fd < 0) return nullptr;
    FILE* f = fdopen(fd, "wb");
    if (!f) {
        const int e = errno;
        close(fd);
        unlink(part.c_str());
        forget_part_file(part.c_str());
        errno = e;
    }
    return f;
}

void drop_part_file(const std::string& part) {
    std::remove(part.c_str());
    forget_part_file(part.c_str());
}

}  // namespace

namespace {
thread_local std::string* tile_console = nullptr;
// Set when the capture could not take a piece of text for want of memory.
thread_local bool tile_console_lost = false;
}  // namespace

void set_tile_console(std::string* capture) { tile_console = capture; }

void tile_printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    if (tile_console) {
        char text[64];
        const int n = std::vsnprintf(text, sizeof text, format, args);
        // Called from inside the library (by the sink), where nothing may
        // throw: a lost piece of text fails the file instead.
        try {
            if (n > 0)
                tile_console->append(text, n < static_cast<int>(sizeof text) ? n : sizeof text - 1);
        } catch (const std::bad_alloc&) {
            tile_console_lost = true;
        }
    } else {
        std::vprintf(format, args);
    }
    va_end(args);
}

int32_t tile_sink(int32_t count, const uint8_t* buffer, void* user) {
    TileSink& sink = *static_cast<TileSink*>(user);
    sink.calls = sink.calls + 1;
    if (sink.calls <= sink.header_runs) return 0;  // the stream's headers
    // Each level arrives as one run, so this counts the levels still to come.
    tile_printf("%d ", sink.level_count - sink.calls + sink.header_runs + 1);
    return write_run(sink, count, buffer);
}

TileWrite write_tile_file(const std::string& name, const TilePixels& tile, bool block_file,
                          int32_t level_count, int32_t skip_levels, int* error_number) {
    const TileWrite written =
        write_tile_part(name, tile, block_file, level_count, skip_levels, nullptr, error_number);
    return written == TileWrite::ok ? commit_tile_part(name, error_number) : written;
}

void discard_tile_part(const std::string& name) { drop_part_file(name + ".part"); }

TileWrite commit_tile_part(const std::string& name, int* error_number) {
    const std::string part = name + ".part";
    errno = 0;
    if (std::rename(part.c_str(), name.c_str()) != 0) {
        if (error_number) *error_number = errno != 0 ? errno : EIO;
        drop_part_file(part);
        return TileWrite::write_failed;
    }
    forget_part_file(part.c_str());
    return TileWrite::ok;
}

TileWrite write_tile_part(const std::string& name, const TilePixels& tile, bool block_file,
                          int32_t level_count, int32_t skip_levels, ChainCache* cache,
                          int* error_number, const TileEncoding& encoding, bool sync,
                          TileFileFacts* facts) {
    const TileFileKind& kind = tile_file_kind(block_file, encoding.blocks);
    TextureSettings settings;
    texture_settings_init(settings);
    int ignored = 0;
    int& error = error_number ? *error_number : ignored;
    error = 0;

    const std::string part = name + ".part";
    FILE* file = open_part_file(part);
    if (!file) {
        error = errno;
        return TileWrite::cannot_create;
    }

    tile_console_lost = false;
    TileSink sink;
    struct HashOwner {
        HashStream* stream;
        ~HashOwner() { hash_stream_free(stream); }
    } hash{facts ? hash_stream_new() : nullptr};
    if (facts && !hash.stream) {
        close_file(file);
        drop_part_file(part);
        error = ENOMEM;
        return TileWrite::write_failed;
    }
    sink.hash = hash.stream;
    settings.write_sink = tile_sink;
    settings.user = &sink;
    tile_printf("%d: ", level_count);
    sink.file = file;
    // The library leaves out the levels this row drops, so every level run
    // the sink sees is kept; its countdown starts where it would have after
    // them.
    settings.first_level = skip_levels;
    sink.level_count = level_count - skip_levels;
    if (texture_format_info(kind.format)->dxgi_format != 0) sink.header_runs = 3;

    uint8_t header[TILE_HEADER_SIZE];
    encode_tile_header(
        make_tile_header(kind.header_code, tile.width, tile.height, level_count, skip_levels),
        header);
    write_run(sink, TILE_HEADER_SIZE, header);

    settings.g_texture_format = static_cast<int32_t>(kind.format);
    settings.g_b_swap_rgb = kind.swap_rgb;
    settings.chain_cache = cache;
    apply_tile_encoding(settings, encoding, block_file);
    int32_t compressed = TEXCOMP_OK;
    if (!sink.failed) {
        compressed = compress_texture(tile.pixels, tile.width, tile.height, tile.pitch, settings,
                                      tile.planes, nullptr, nullptr);
        // The one refusal a tile file expects: the block format on sides
        // that are not powers of two leaves the header alone, by design.
        // Any other result means the stream is short.
        if (compressed == TEXCOMP_NOT_POW2 && block_file) compressed = TEXCOMP_OK;
    }
    tile_printf("\n");

    // --sync: the file's bytes reach the disk before it may take its name.
    errno = 0;
    if (sync && !sink.failed && compressed == TEXCOMP_OK &&
        (std::fflush(file) != 0 || fsync(fileno(file)) != 0)) {
        sink.failed = 1;
        sink.error_number = errno != 0 ? errno : EIO;
    }
    // The first failure's reason is the one reported.
    errno = 0;
    const bool closed = close_file(file) == 0;
    if (!closed && !sink.failed) sink.error_number = errno != 0 ? errno : EIO;
    if (tile_console_lost && !sink.failed && closed) {
        // The file is whole, but what the run prints about it would not be.
        sink.failed = 1;
        sink.error_number = ENOMEM;
    }
    if (sink.failed || !closed) {
        error = sink.error_number != 0 ? sink.error_number : EIO;
        drop_part_file(part);
        return TileWrite::write_failed;
    }
    if (compressed != TEXCOMP_OK) {
        error = compressed;
        drop_part_file(part);
        return TileWrite::compress_failed;
    }
    if (facts) {
        facts->bytes = sink.bytes;
        facts->hash = hash_stream_value(hash.stream);
    }
    return TileWrite::ok;
}
