// The process-wide settings profile path. Compressions on several threads
// read it while a program may set it, so it is guarded by a mutex and each
// compression works on its own copy.
#include <mutex>
#include <new>
#include <string>

#include "texcomp/profile.h"

namespace {

struct ProfilePath {
    std::mutex mutex;
    std::string path;
    bool lost = false;  // the last path could not be stored
};

ProfilePath& profile_path() {
    static ProfilePath p;
    return p;
}

}  // namespace

void texture_set_profile_path(const char* path) {
    ProfilePath& p = profile_path();
    std::lock_guard<std::mutex> lock(p.mutex);
    try {
        p.path = path ? path : "";
        p.lost = false;
    } catch (const std::bad_alloc&) {
        // Compressions must not go on without the profile that was asked for.
        p.path.clear();
        p.lost = true;
    }
}

bool texture_profile_path(std::string& out) {
    ProfilePath& p = profile_path();
    std::lock_guard<std::mutex> lock(p.mutex);
    if (p.lost) return false;
    try {
        out = p.path;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
