// Interim entry: argument checks only; the compression pipeline replaces it.
#include "texcomp/texcomp.h"

int32_t compress_texture(const uint8_t* pixels, int32_t, int32_t, int32_t,
                         const TextureSettings&, int32_t planes, LevelCallback,
                         const CompressRect*) {
    if (!pixels) return -1;
    if (planes != 3 && planes != 4) return -2;
    return -4;
}
