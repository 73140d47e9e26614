// File utilities over buffered standard streams.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "vxsystem/vxsystem.h"

int starts_with_nocase(const char* text, const char* prefix) {
    const size_t n = std::strlen(prefix);
    if (std::strlen(text) < n) return 0;
    for (size_t i = 0; i < n; ++i) {
        char a = text[i];
        char b = prefix[i];
        // Only ASCII letters fold, so the result never depends on the locale.
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        if (a != b) return 0;
    }
    return 1;
}

namespace {

// Opening a FIFO for reading waits for a writer, and a device may never end:
// only regular files are read. The file is opened without waiting and
// checked on the open descriptor, so it cannot be swapped in between.
// errno keeps the reason of the call that failed, for the caller's message.
FILE* open_regular_file(const char* name) {
    const int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    int error = 0;
    if (fstat(fd, &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode))
        error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    if (error != 0) {
        close(fd);
        errno = error;
        return nullptr;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    FILE* f = fdopen(fd, "rb");
    if (!f) {
        error = errno;
        close(fd);
        errno = error;
    }
    return f;
}

}  // namespace

FILE* open_file(const char* name, int mode) {
    if (!name || !*name) {
        errno = ENOENT;
        return nullptr;
    }
    switch (mode) {
        case MODE_READ_BINARY:
            return open_regular_file(name);
        case MODE_WRITE_BINARY:
            return std::fopen(name, "wb");
        case MODE_WRITE_TEXT:
            return std::fopen(name, "wt");
        default:
            errno = EINVAL;
            return nullptr;
    }
}

const char* open_failure_text(int error) {
    return error == EINVAL ? "not a regular file" : std::strerror(error);
}

int close_file(FILE* stream) {
    if (!stream) return 0;
    // A write error may sit in the stream (ferror) or surface only when the
    // buffer is flushed by fclose; both mean the file is not complete.
    const bool had_error = std::ferror(stream) != 0;
    const int closed = std::fclose(stream);
    return (had_error || closed != 0) ? EOF : 0;
}

int32_t write_bytes(FILE* stream, const void* buffer, int32_t count) {
    if (!stream || count < 0) return -1;
    if (count == 0) return 0;
    return static_cast<int32_t>(std::fwrite(buffer, 1, static_cast<size_t>(count), stream));
}

namespace {

// Size of an open stream, or -1 when it is not a regular file (a directory or
// a device has no meaningful size). Taken from the open file, not from a
// seek, so it is 64 bits wherever off_t is.
int64_t stream_size(FILE* f) {
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return int64_t{st.st_size};
}

}  // namespace

int32_t read_whole_file(const char* name, void* buffer, int32_t capacity) {
    FILE* f = open_file(name, MODE_READ_BINARY);
    if (!f) return -1;
    const int64_t whole = stream_size(f);
    if (whole < 0 || whole > INT32_MAX) {
        std::fclose(f);
        return -1;
    }
    // The file may have grown since the caller sized the buffer.
    int32_t size = static_cast<int32_t>(whole);
    if (size > capacity) size = capacity < 0 ? 0 : capacity;
    const size_t got = size > 0 ? std::fread(buffer, 1, static_cast<size_t>(size), f) : 0;
    std::fclose(f);
    return static_cast<int32_t>(got);
}

int64_t file_size(const char* name) {
    FILE* f = open_file(name, MODE_READ_BINARY);
    if (!f) return -1;
    const int64_t size = stream_size(f);
    const int error = errno;
    std::fclose(f);
    errno = error;
    return size;
}

int make_folders(const char* path) {
    if (!path || !*path) return ENOENT;
    const std::string dir = path;
    struct stat st;
    // Each folder above, from the top. One that exists says EEXIST, where
    // the system checks that before the permission; any other failure is
    // the reason, unless a folder is there all the same.
    for (size_t slash = dir.find('/', 1); slash != std::string::npos;
         slash = dir.find('/', slash + 1)) {
        const std::string above = dir.substr(0, slash);
        if (mkdir(above.c_str(), 0777) == 0 || errno == EEXIST) continue;
        const int error = errno;
        if (stat(above.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return error;
    }
    if (mkdir(path, 0777) == 0) return 0;
    if (errno != EEXIST) return errno;
    if (stat(path, &st) != 0) return errno;  // a link to nothing
    return S_ISDIR(st.st_mode) ? 0 : EEXIST;
}

int write_all(int fd, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    for (size_t done = 0; done < size;) {
        const ssize_t n = write(fd, bytes + done, size - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (n == 0)
            return EIO;
        else if (errno != EINTR)
            return errno;
    }
    return 0;
}
