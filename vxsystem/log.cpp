// The message log: "vx.log" in the working directory, or the file the
// environment variable RAZIVAVU_LOG names (empty: no log at all).
//
// The file is opened and closed for every message, so a crash never loses a
// message that was already logged and several runs simply append to it.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "vxsystem/vxsystem.h"

namespace {

// The log is one per process by design (one file). Every message is
// formatted and written under this lock, so messages of threads
// logging at once neither mix nor tear.
std::mutex g_log_lock;

// Every message is formatted here before it is written. vsnprintf cuts
// longer messages, so no format can run past it.
char g_message[LOG_MESSAGE_MAX];

void append_to_file(const char* message, int32_t length) {
    // Read at every message, as the file is opened at every message: a
    // test or a wrapper may change it between runs in one process.
    const char* chosen = std::getenv(LOG_FILE_VARIABLE);
    if (chosen && !*chosen) return;
    FILE* f = std::fopen(chosen ? chosen : "vx.log", "a+");
    if (!f) return;  // an unwritable log must never stop the tool
    std::fwrite(message, 1, static_cast<size_t>(length), f);
    std::fclose(f);
}

}  // namespace

void append_log(const char* format, ...) {
    const std::lock_guard<std::mutex> hold(g_log_lock);
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(g_message, sizeof(g_message), format, args);
    va_end(args);
    if (n < 0) return;  // an encoding error leaves nothing to log
    const int32_t length = n < LOG_MESSAGE_MAX ? n : LOG_MESSAGE_MAX - 1;
    append_to_file(g_message, length);
}
