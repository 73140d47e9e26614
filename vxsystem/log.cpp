// The message log: an in-memory copy plus "vx.log" in the working directory.
//
// The file is opened and closed for every message, so a crash never loses a
// message that was already logged and several runs simply append to it.
#include <cstdarg>
#include <cstring>
#include <mutex>

#include "vxsystem/vxsystem.h"

namespace {

// The log is one per process by design (one file, one area). Every message
// is formatted, stored and written under this lock, so messages of threads
// logging at once neither mix nor tear.
std::mutex g_log_lock;

// The in-memory area and its write position; the first bytes stay zero until
// the area overflows for the first time.
char g_log_area[LOG_AREA_SIZE];
int32_t g_log_position = LOG_START_POSITION;

// Every message is formatted here before it is stored and written. vsnprintf
// cuts longer messages, so no format can run past it.
char g_message[LOG_MESSAGE_MAX];

const char kOverflow[] = "Overflow\n";

void store_in_area(const char* message, int32_t length) {
    if (length + g_log_position > LOG_AREA_SIZE) {
        // Restart the area; the message is copied as it is, newlines kept.
        const int32_t head = static_cast<int32_t>(sizeof(kOverflow)) - 1;
        std::memcpy(g_log_area, kOverflow, head);
        std::memcpy(g_log_area + head, message, length);
        g_log_area[head + length] = '\0';  // fits: head + LOG_MESSAGE_MAX < area
        g_log_position = head + length;
        return;
    }
    for (int32_t i = 0; i < length; ++i) {
        const char c = message[i];
        g_log_area[g_log_position + i] = (c == '\n') ? '\0' : c;
    }
    g_log_position += length;
}

void append_to_file(const char* message, int32_t length) {
    FILE* f = std::fopen("vx.log", "a+");
    if (!f) return;  // an unwritable log must never stop the tool
    std::fwrite(message, 1, static_cast<size_t>(length), f);
    std::fclose(f);
}

}  // namespace

static_assert(LOG_MESSAGE_MAX + 16 < LOG_AREA_SIZE, "an overflowed message must fit the area");

void append_log(const char* format, ...) {
    const std::lock_guard<std::mutex> hold(g_log_lock);
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(g_message, sizeof(g_message), format, args);
    va_end(args);
    if (n < 0) return;  // an encoding error leaves nothing to log
    const int32_t length = n < LOG_MESSAGE_MAX ? n : LOG_MESSAGE_MAX - 1;
    store_in_area(g_message, length);
    append_to_file(g_message, length);
}

const char* log_area() { return g_log_area; }

int32_t log_position() {
    const std::lock_guard<std::mutex> hold(g_log_lock);
    return g_log_position;
}
