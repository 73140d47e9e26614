// XXH3 of byte runs, of whole files and of a picture's two ends.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <cerrno>
#include <new>
#include <vector>

#include "gridfile/gridfile.h"

struct HashStream {
    XXH3_state_t* state = nullptr;
};

uint64_t bytes_hash(const void* data, size_t size) { return XXH3_64bits(data, size); }

HashStream* hash_stream_new() {
    HashStream* s = new (std::nothrow) HashStream;
    if (!s) return nullptr;
    s->state = XXH3_createState();
    if (!s->state) {
        delete s;
        return nullptr;
    }
    XXH3_64bits_reset(s->state);
    return s;
}

void hash_stream_add(HashStream* stream, const void* data, size_t size) {
    XXH3_64bits_update(stream->state, data, size);
}

uint64_t hash_stream_value(const HashStream* stream) { return XXH3_64bits_digest(stream->state); }

void hash_stream_free(HashStream* stream) {
    if (!stream) return;
    XXH3_freeState(stream->state);
    delete stream;
}

namespace {

constexpr size_t CHUNK = size_t{1} << 20;

// Reads up to `size` bytes at `offset` fully (short only at the end of the
// file); -1 with errno set on an error.
ssize_t read_at(int fd, uint8_t* buffer, size_t size, off_t offset) {
    size_t got = 0;
    while (got < size) {
        const ssize_t n = pread(fd, buffer + got, size - got, offset + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

int open_regular(const std::string& path, struct stat& st) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int e = errno != 0 && !S_ISREG(st.st_mode) ? EINVAL : errno;
        close(fd);
        errno = S_ISDIR(st.st_mode) ? EISDIR : e;
        return -1;
    }
    return fd;
}

}  // namespace

bool file_hash(const std::string& path, uint64_t& hash, int64_t& bytes) {
    struct stat st {};
    const int fd = open_regular(path, st);
    if (fd < 0) return false;
    HashStream* stream = hash_stream_new();
    std::vector<uint8_t> buffer;
    try {
        buffer.resize(CHUNK);
    } catch (const std::bad_alloc&) {
        hash_stream_free(stream);
        stream = nullptr;
    }
    if (!stream) {
        close(fd);
        errno = ENOMEM;
        return false;
    }
    int64_t total = 0;
    for (;;) {
        const ssize_t n = read_at(fd, buffer.data(), CHUNK, static_cast<off_t>(total));
        if (n < 0) {
            const int e = errno;
            hash_stream_free(stream);
            close(fd);
            errno = e;
            return false;
        }
        hash_stream_add(stream, buffer.data(), static_cast<size_t>(n));
        total += n;
        if (static_cast<size_t>(n) < CHUNK) break;
    }
    hash = hash_stream_value(stream);
    bytes = total;
    hash_stream_free(stream);
    close(fd);
    return true;
}

bool picture_fingerprint(const std::string& path, PictureIdentity& out) {
    struct stat st {};
    const int fd = open_regular(path, st);
    if (fd < 0) return false;
    std::vector<uint8_t> buffer;
    try {
        buffer.resize(CHUNK);
    } catch (const std::bad_alloc&) {
        close(fd);
        errno = ENOMEM;
        return false;
    }
    const int64_t size = st.st_size;
    const size_t span = size < static_cast<int64_t>(CHUNK) ? static_cast<size_t>(size) : CHUNK;
    bool ok = true;
    for (int end = 0; end < 2 && ok; ++end) {
        const off_t at = end ? static_cast<off_t>(size - static_cast<int64_t>(span)) : 0;
        const ssize_t n = read_at(fd, buffer.data(), span, at);
        ok = n == static_cast<ssize_t>(span);
        if (n >= 0 && !ok) errno = EIO;  // the file shrank while we read it
        (end ? out.tail_hash : out.head_hash) = bytes_hash(buffer.data(), span);
    }
    const int e = errno;
    close(fd);
    errno = e;
    out.bytes = size;
    return ok;
}
