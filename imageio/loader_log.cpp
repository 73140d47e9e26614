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
// never changes what another thread is told. Plain character arrays: a
// thread-local object with a destructor would need memory the first time a
// thread touched it (to register the destructor), and with none to be had
// the C library aborts the process.
constexpr size_t REASON_SIZE = 1024;
thread_local char t_last_error[REASON_SIZE];
thread_local char t_last_warning[REASON_SIZE];

void keep(char* reason, const char* text) { std::snprintf(reason, REASON_SIZE, "%s", text); }
}  // namespace

void loader_fail(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    append_log("vxgl:  %s\n", text);
    keep(t_last_error, text);
    t_last_warning[0] = '\0';  // a failed load has no picture to warn about
}

void loader_remember(const std::string& reason) {
    keep(t_last_error, reason.c_str());
    t_last_warning[0] = '\0';
}

void loader_warn(const char* reason) {
    if (t_last_warning[0] == '\0') keep(t_last_warning, reason);
}

void loader_start() {
    t_last_error[0] = '\0';
    t_last_warning[0] = '\0';
}

std::string imageio_last_error() { return t_last_error; }

std::string imageio_last_warning() { return t_last_warning; }

std::string name_base(const std::string& name) {
    return name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string();
}
