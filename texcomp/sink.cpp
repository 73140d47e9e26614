// The library's single output hook.
#include "texcomp/texcomp.h"

namespace {
WriteSink g_write_sink = nullptr;
}

void bind_write_sink(WriteSink sink) { g_write_sink = sink; }

int32_t sink_trampoline(TextureCompressor* compressor, int32_t count, const uint8_t* buffer) {
    if (!g_write_sink) return 0;
    return g_write_sink(count, buffer, compressor->settings.user);
}
