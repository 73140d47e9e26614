// Height conversions: a height byte per pixel, derived from its colour and
// stored in byte 3, where the derivative kernels read it.
#include <algorithm>

#include "normalmap/normalmap.h"
#include "normalmap/numeric.h"

using normalmap_detail::trunc_int;

namespace {

uint8_t mean_of_three(const uint8_t* p) {
    return static_cast<uint8_t>(trunc_int((p[0] + p[1] + p[2]) * 0.33333334));
}

// One minus the product of the inverted channels: bright where any channel is.
uint8_t screen(const uint8_t* p) {
    const double inv = ((1.0 - p[2] / 255.0) * (1.0 - p[1] / 255.0)) * (1.0 - p[0] / 255.0);
    return static_cast<uint8_t>(trunc_int((1.0 - inv) * 255.0));
}

// Distance of each pixel's grey from the picture's mean grey; colour cleared.
void distance_from_mean(uint8_t* pixels, int64_t count) {
    if (count <= 0) return;  // no mean to take
    int64_t sum = 0;
    for (int64_t i = 0; i < count; ++i) sum += mean_of_three(pixels + 4 * i);
    const int32_t mean = static_cast<int32_t>(sum / count);
    for (int64_t i = 0; i < count; ++i) {
        uint8_t* p = pixels + 4 * i;
        const int32_t a = mean_of_three(p);
        p[3] = static_cast<uint8_t>(a > mean ? a - mean : mean - a);
        p[0] = p[1] = p[2] = 0;
    }
}

}  // namespace

void convert_heights(uint8_t* pixels, int64_t count, int32_t conversion) {
    if (conversion == NORMALMAP_HEIGHT_DISTANCE) {
        distance_from_mean(pixels, count);
        return;
    }
    for (int64_t i = 0; i < count; ++i) {
        uint8_t* p = pixels + 4 * i;
        switch (conversion) {
            case NORMALMAP_HEIGHT_MEAN:
                p[3] = mean_of_three(p);
                break;
            case NORMALMAP_HEIGHT_BYTE2:
                p[3] = p[2];
                break;
            case NORMALMAP_HEIGHT_BYTE1:
                p[3] = p[1];
                break;
            case NORMALMAP_HEIGHT_BYTE0:
                p[3] = p[0];
                break;
            case NORMALMAP_HEIGHT_MAX:
                p[3] = std::max({p[0], p[1], p[2]});
                break;
            case NORMALMAP_HEIGHT_SCREEN:
                p[3] = screen(p);
                break;
            default:
                return;  // NORMALMAP_HEIGHT_ALPHA and any other code: byte 3 stays
        }
    }
}
