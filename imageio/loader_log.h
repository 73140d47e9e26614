// Failure reporting shared by the loaders (internal to imageio).
#pragma once

#include <cstdint>
#include <string>

// Logs "vxgl:  <message>\n" and keeps <message> as imageio_last_error().
void loader_fail(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Keeps `reason` as imageio_last_error() without logging it (the message
// already reached the log by another road, e.g. the JPEG library's).
void loader_remember(const std::string& reason);

// Clears imageio_last_error() at the start of a load.
void loader_start();

// 1 when `bytes` of memory for the picture `name` stay within
// picture_memory_limit(); otherwise logs why (naming the limit's variable)
// and returns 0.
int loader_memory_fits(const std::string& name, int64_t bytes);

// Keeps `reason` as imageio_last_warning(): the picture loaded, but is
// damaged. The first reason of a load is kept.
void loader_warn(const char* reason);
