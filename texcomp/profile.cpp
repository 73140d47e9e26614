// Reading a settings profile file.
//
// The whole file is read before anything is applied, so a file that cannot
// be read leaves the compressor as it was. The pieces are then cut from the
// text exactly as fgets with a 1000-byte buffer would cut them.
#include "texcomp/profile.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace {

constexpr size_t PIECE_CHARS = 999;

struct File {
    std::FILE* f;
    ~File() {
        if (f) std::fclose(f);
    }
};

// The whole file, or false when it cannot be opened or read, is a directory,
// or exceeds the size limit.
bool read_whole(const char* path, std::string& text) {
    File file{std::fopen(path, "r")};
    if (!file.f) return false;
    struct stat st {};
    if (fstat(fileno(file.f), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    char buf[8192];
    for (;;) {
        const size_t n = std::fread(buf, 1, sizeof buf, file.f);
        if (n > 0) {
            if (static_cast<int64_t>(text.size() + n) > PROFILE_MAX_BYTES) return false;
            text.append(buf, n);
        }
        if (n < sizeof buf) break;
    }
    return !std::ferror(file.f);
}

// One piece: key before the first blank, value after the blanks that follow.
void apply_piece(TextureCompressor& tc, char* piece) {
    if (piece[0] == '#') return;
    char* blank = std::strchr(piece, ' ');
    if (!blank) return;
    *blank = '\0';
    const char* value = blank + 1;
    while (*value == ' ') ++value;
    apply_profile_line(tc, piece, value);
}

}  // namespace

int32_t read_profile(TextureCompressor& tc, const char* path) {
    if (!path) return -1;
    std::string text;
    try {
        if (!read_whole(path, text)) return -1;
    } catch (const std::bad_alloc&) {
        return -1;
    }

    apply_profile_defaults(tc);
    char piece[PIECE_CHARS + 1];
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = pos;
        const size_t limit = text.size() - pos < PIECE_CHARS ? text.size() : pos + PIECE_CHARS;
        while (end < limit)
            if (text[end++] == '\n') break;
        std::memcpy(piece, text.data() + pos, end - pos);
        piece[end - pos] = '\0';  // the C string ends at the first NUL in it
        pos = end;
        apply_piece(tc, piece);
    }
    std::snprintf(tc.profile_name, sizeof tc.profile_name, "%s", path);
    return 0;
}

int32_t read_profile_in_use(TextureCompressor& tc) {
    std::string path;
    if (!texture_profile_path(path)) return -1;
    if (path.empty()) return 0;
    return read_profile(tc, path.c_str());
}
