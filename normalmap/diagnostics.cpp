// The library's one diagnostic channel. Messages that a desktop program would
// show in a message box or send to a debugger arrive here as plain text and
// go to the receiver the calling thread installed; without one the library
// stays silent, as a library should. The commands install
// normalmap_print_to_stderr.
//
// The receiver belongs to the thread that installed it, so conversions on
// other threads neither see nor disturb it.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "normalmap/normalmap.h"

void normalmap_print_to_stderr(const char* text) {
    const size_t n = std::strlen(text);
    std::fputs(text, stderr);
    if (n == 0 || text[n - 1] != '\n') std::fputc('\n', stderr);
}

namespace {

thread_local NormalMapReceiver t_receiver = nullptr;

}  // namespace

NormalMapReceiver normalmap_set_receiver(NormalMapReceiver receiver) {
    NormalMapReceiver before = t_receiver;
    t_receiver = receiver;
    return before;
}

void normalmap_report(const char* format, ...) {
    char text[2048];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0 || !t_receiver) return;
    t_receiver(text);
}
