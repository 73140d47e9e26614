// Manifests on disk: their names, the atomic write, and finding them.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "gridfile/gridfile.h"
#include "vxsystem/vxsystem.h"

namespace {

constexpr const char* SUFFIX = ".grid.json";
constexpr const char* PART_INFIX = ".part-";
// A manifest larger than this is not one razivavu wrote (a grid of a
// million tiles takes about 250 MB).
constexpr int64_t MAX_MANIFEST_BYTES = int64_t{1} << 30;

std::string read_manifest_text(const std::string& path, std::string& text) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return "not a regular file";
    }
    if (st.st_size > MAX_MANIFEST_BYTES) {
        close(fd);
        return "larger than any manifest razivavu writes";
    }
    text.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = read(fd, &text[got], text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const std::string why = std::strerror(errno);
            close(fd);
            return why;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    text.resize(got);
    close(fd);
    return "";
}

}  // namespace

std::string folder_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string manifest_name(const std::string& base) { return base + SUFFIX; }

std::string part_manifest_name(const std::string& base, int32_t index, int32_t count) {
    return base + PART_INFIX + std::to_string(index) + "-of-" + std::to_string(count) + SUFFIX;
}

bool sync_path(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = fsync(fd) == 0;
    const int e = errno;
    close(fd);
    errno = e;
    return ok;
}

int write_manifest(const std::string& path, const GridManifest& manifest, bool sync) {
    std::string part;
    std::string text;
    try {
        part = path + ".part";
        text = manifest_to_json(manifest);
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
    const int fd = create_part_file(part.c_str());
    if (fd < 0) return errno;
    int e = write_all(fd, text.data(), text.size());
    if (e == 0 && sync && fsync(fd) != 0) e = errno;
    bool ok = e == 0;
    if (close(fd) != 0 && ok) {
        ok = false;
        e = errno;
    }
    if (ok && std::rename(part.c_str(), path.c_str()) != 0) {
        ok = false;
        e = errno;
    }
    if (!ok) {
        unlink(part.c_str());
        forget_part_file(part.c_str());
        return e;
    }
    forget_part_file(part.c_str());
    // The rename itself lives in the folder: without its flush a crash may
    // lose the name on some file systems.
    if (sync && !sync_path(folder_of(path))) return errno;
    return 0;
}

std::vector<FoundManifest> find_manifests(const std::string& base) {
    std::vector<FoundManifest> found;
    const std::string folder = folder_of(base);
    const size_t slash = base.rfind('/');
    const std::string stem = slash == std::string::npos ? base : base.substr(slash + 1);
    const std::string prefix =
        folder == "." && slash == std::string::npos ? "" : base.substr(0, slash + 1);
    DIR* dir = opendir(folder.c_str());
    if (!dir) return found;
    std::vector<std::string> names;
    const std::string suffix = SUFFIX;
    while (const struct dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() < stem.size() + suffix.size() || name.compare(0, stem.size(), stem) != 0 ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const std::string middle =
            name.substr(stem.size(), name.size() - stem.size() - suffix.size());
        // The whole grid's, or a part's: ".part-K-of-N" with whole numbers.
        bool ours = middle.empty();
        int index = -1, count = -1;
        char tail = 0;
        if (!ours && middle.compare(0, std::strlen(PART_INFIX), PART_INFIX) == 0 &&
            std::sscanf(middle.c_str(), ".part-%d-of-%d%c", &index, &count, &tail) == 2)
            ours = middle ==
                   std::string(PART_INFIX) + std::to_string(index) + "-of-" + std::to_string(count);
        if (ours) names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        FoundManifest f;
        f.path = prefix + name;
        struct stat st {};
        if (stat(f.path.c_str(), &st) == 0)
            f.modified_ns = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
        std::string text;
        const std::string unread = read_manifest_text(f.path, text);
        if (!unread.empty())
            f.error = unread;
        else
            f.error = manifest_from_json(text, f.manifest);
        found.push_back(std::move(f));
    }
    return found;
}
