// The library's single output hook.
#include <atomic>

#include "texcomp/compressor.h"

namespace {
// Program-wide by the caller's choice (bind_write_sink); calls that carry
// their own sink never read it.
std::atomic<WriteSink> g_bound_sink{nullptr};
}  // namespace

void bind_write_sink(WriteSink sink) { g_bound_sink.store(sink); }

int32_t sink_trampoline(TextureCompressor* compressor, int32_t count, const uint8_t* buffer) {
    const TextureSettings& s = compressor->settings;
    const WriteSink sink = s.write_sink ? s.write_sink : g_bound_sink.load();
    if (!sink) return 0;
    return sink(count, buffer, s.user);
}
