// Reports of the resampler. In the product they go nowhere; tests install a
// sink to see them.
//
// The receiver belongs to the thread that installed it: a resampling call
// reports to its own thread's receiver, so calls on other threads neither see
// nor disturb it.
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "zoom/zoom.h"

namespace {
thread_local ZoomMessageSink t_message_sink = nullptr;
}

void zoom_set_message_sink(ZoomMessageSink sink) { t_message_sink = sink; }

void zoom_message(const char* format, ...) {
    if (!t_message_sink) return;
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (n < 0) {
        va_end(again);
        return;
    }
    std::vector<char> text(static_cast<size_t>(n) + 1);
    std::vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    t_message_sink(text.data());
}

void zoom_abort(int /*status*/) {}
