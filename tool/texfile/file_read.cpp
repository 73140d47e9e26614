// Reading a file whole and telling the three kinds apart by their first word.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "containers/containers.h"
#include "texfile/readers.h"
#include "texfile/texfile.h"
#include "vxsystem/vxsystem.h"

bool read_tex_file(const std::string& path, TexFile& out, std::string& error) {
    // Regular files only: opening a FIFO would wait for a writer forever.
    errno = 0;
    FILE* f = open_file(path.c_str(), MODE_READ_BINARY);
    if (!f) {
        const int reason = errno != 0 ? errno : EIO;
        error = reason == ENOMEM
                    ? "out of memory"
                    : std::string("cannot open the file: ") + open_failure_text(reason);
        return false;
    }
    std::vector<uint8_t> bytes;
    errno = 0;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    ok = ok && size >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok && size > TEXFILE_MAX_BYTES) {
        close_file(f);
        error = "the file is larger than 1 GiB";
        return false;
    }
    if (ok) {
        try {
            bytes.resize(static_cast<size_t>(size));
        } catch (const std::bad_alloc&) {
            close_file(f);
            error = "out of memory";
            return false;
        }
        ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    }
    // A read that fails has its reason; one that ends early, a file that
    // shrank, has none.
    const int reason = ok ? 0 : errno;
    close_file(f);
    if (!ok) {
        error = reason != 0 ? std::string("cannot read the file: ") + std::strerror(reason)
                            : "cannot read the file: it became shorter while being read";
        return false;
    }
    return parse_tex_bytes(path, std::move(bytes), out, error);
}

bool parse_tex_bytes(const std::string& name, std::vector<uint8_t> bytes, TexFile& out,
                     std::string& error) {
    out = TexFile{};
    out.name = name;
    out.bytes = std::move(bytes);
    if (out.bytes.size() < 4) {
        error = "short file: " + std::to_string(out.bytes.size()) + " bytes, not even a magic word";
        return false;
    }
    const uint32_t magic = read_word(out.bytes.data());
    if (magic == static_cast<uint32_t>(TILE_MAGIC)) return parse_tile_file(out, error);
    if (magic == STREAM_FILE_MAGIC) return parse_stream_file(out, error);
    if (magic == read_word(KTX2_IDENTIFIER)) return parse_ktx2_file(out, error);
    char text[128];
    std::snprintf(text, sizeof(text),
                  "bad magic 0x%08X: neither a tile file (12345), a texture stream (\"DDS \") "
                  "nor a KTX2 file",
                  magic);
    error = text;
    return false;
}
