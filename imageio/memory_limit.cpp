// The memory a loader may take for one picture.
//
// A small file can claim a huge picture (a JPEG of a few hundred bytes may
// declare 10000 x 10000 pixels). Allocating that much invites the system's
// out-of-memory killer, which ends the process without a word; checking the
// claim first lets the loader refuse with a message instead.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "imageio/imageio.h"
#include "imageio/loader_log.h"

namespace {

constexpr int64_t kMegabyte = int64_t{1} << 20;

// Half the physical memory: room for the picture and for the tiles made from
// it, with the rest of the machine left alone.
int64_t default_limit() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page_size <= 0) return int64_t{2048} * kMegabyte;
    return static_cast<int64_t>(pages) / 2 * page_size;
}

}  // namespace

int64_t picture_memory_limit() {
    const char* text = std::getenv(MEMORY_LIMIT_VARIABLE);
    if (text && *text) {
        char* end = nullptr;
        errno = 0;
        const long long mb = std::strtoll(text, &end, 10);
        // Anything but a positive whole number of megabytes is ignored.
        if (errno == 0 && *end == '\0' && mb > 0 && mb <= INT64_MAX / kMegabyte)
            return static_cast<int64_t>(mb) * kMegabyte;
    }
    return default_limit();
}

LoadResult loader_memory_fits(const std::string& name, int64_t bytes) {
    const int64_t limit = picture_memory_limit();
    if (bytes <= limit) return loader_done();
    return loader_fail(
        "%s needs %lld MB, more than the memory limit of %lld MB (set %s to change it)",
        name.c_str(), static_cast<long long>(bytes / kMegabyte + (bytes % kMegabyte != 0)),
        static_cast<long long>(limit / kMegabyte), MEMORY_LIMIT_VARIABLE);
}
