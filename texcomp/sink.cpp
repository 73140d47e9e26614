// The library's single output hook.
#include "texcomp/compressor.h"

int32_t sink_trampoline(TextureCompressor* compressor, int32_t count, const uint8_t* buffer) {
    const TextureSettings& s = compressor->settings;
    if (!s.write_sink) return 0;
    return s.write_sink(count, buffer, s.user);
}
