// Readable reasons for the results of compress_texture.
#include "texcomp/texcomp.h"

const char* texture_result_message(int32_t result) {
    switch (result) {
        case TEXCOMP_OK:
            return "texture written";
        case TEXCOMP_NO_PIXELS:
            return "no pixels were given, or the settings profile cannot be read";
        case TEXCOMP_BAD_PLANES:
            return "pixels must have 3 or 4 bytes each";
        case TEXCOMP_NOT_POW2:
            return "block formats need sides that are powers of two (or a rescale mode)";
        case TEXCOMP_REFUSED:
            return "these settings are not supported";
        case TEXCOMP_BAD_SIZE:
            return "the picture, rectangle or rescaled size is not usable";
        case TEXCOMP_NO_MEMORY:
            return "out of memory; the texture is incomplete";
        case TEXCOMP_ENCODER_FAILED:
            return "the block encoder refused a level, or the ASTC library failed; the texture is "
                   "incomplete";
        default:
            return "unknown texture compression result";
    }
}
