// Results and failure reporting shared by the loaders (internal to imageio).
#pragma once

#include <cstdint>
#include <string>

#include "imageio/imageio.h"

// A step that went well.
inline LoadResult loader_done() { return LoadResult{LoadStatus::loaded, {}, {}}; }

// Logs "vxgl:  <message>\n" and gives the failed result whose reason is
// <message>.
LoadResult loader_fail(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// The failed result with `reason`, not logged: the message already reached
// the log by another road, e.g. the JPEG library's.
LoadResult loader_failed(const std::string& reason);

// Loaded, or, when `bytes` of memory for the picture `name` exceed
// picture_memory_limit(), a failure that names the limit's variable.
LoadResult loader_memory_fits(const std::string& name, int64_t bytes);
