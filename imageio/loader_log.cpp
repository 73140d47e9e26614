// Results and failure reporting shared by the loaders.
//
// The loaders are library code and never print; the reason of a failure goes
// back to the caller in the call's result, while the log keeps every reason
// with its prefix.
#include "imageio/loader_log.h"

#include <cstdarg>
#include <cstdio>

#include "vxsystem/vxsystem.h"

LoadResult loader_fail(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    append_log("vxgl:  %s\n", text);
    return loader_failed(text);
}

LoadResult loader_failed(const std::string& reason) {
    return LoadResult{LoadStatus::not_loaded, reason, {}};
}

std::string name_base(const std::string& name) {
    return name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string();
}
