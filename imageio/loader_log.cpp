// Failure reporting shared by the loaders.
//
// The loaders are library code and never print; the tool asks for the last
// reason to tell the user, while the log keeps every reason with its prefix.
#include "imageio/loader_log.h"

#include <cstdarg>
#include <cstdio>

#include "imageio/imageio.h"
#include "vxsystem/vxsystem.h"

namespace {
// Each thread keeps the reason of its own last load, so a load on one thread
// never changes what another thread is told.
thread_local std::string t_last_error;
thread_local std::string t_last_warning;
}  // namespace

void loader_fail(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    append_log("vxgl:  %s\n", text);
    t_last_error = text;
    t_last_warning.clear();  // a failed load has no picture to warn about
}

void loader_remember(const std::string& reason) {
    t_last_error = reason;
    t_last_warning.clear();
}

void loader_warn(const std::string& reason) {
    if (t_last_warning.empty()) t_last_warning = reason;
}

void loader_start() {
    t_last_error.clear();
    t_last_warning.clear();
}

const std::string& imageio_last_error() { return t_last_error; }

const char* image_result_message(int result) {
    switch (result) {
        case IMAGE_LOADED:
            return "picture loaded";
        case IMAGE_NOT_LOADED:
            return "picture not loaded";
        default:
            return "unknown loader result";
    }
}

const std::string& imageio_last_warning() { return t_last_warning; }

std::string name_base(const std::string& name) {
    return name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string();
}
