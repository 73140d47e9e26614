// Unit normals from slopes, their byte encodings, and the renormalisation of
// pixels that already hold biased normals.
#include <cmath>

#include "normalmap/normalmap.h"
#include "normalmap/numeric.h"

using normalmap_detail::clamp_byte;
using normalmap_detail::low_byte;
using normalmap_detail::signed_byte;

namespace {

// 2/255: a byte to the range -1..1 after subtracting 1.
constexpr double BYTE_TO_UNIT = 0.00784313725490196;
constexpr double UNIT_TOLERANCE = 2.220446049250313e-16;
constexpr double ZERO_LENGTH = 4.930380657631324e-32;

// Scales (a, b, c) to unit length unless it is already unit length; a
// vector of (nearly) zero length becomes zero.
void to_unit(double& a, double& b, double& c) {
    const double s = a * a + b * b + c * c;
    if (std::fabs(s - 1.0) < UNIT_TOLERANCE) return;
    if (std::fabs(s) < ZERO_LENGTH) {
        a = b = c = 0.0;
        return;
    }
    const double len = std::sqrt(s);
    a = a / len;
    b = b / len;
    c = c / len;
}

uint8_t biased(double v) { return clamp_byte((v + 1.0) * 127.5 + 0.5); }

}  // namespace

SlopeNormal normal_from_slopes(float value_x, float value_y, float sxf, float syf) {
    const double x = static_cast<double>(value_x) * sxf;
    const double y = static_cast<double>(value_y) * syf;
    const float l = static_cast<float>(1.0 / std::sqrt((y * y + x * x) + 1.0));
    SlopeNormal n;
    n.nx = -x * l;
    n.ny = -y * l;
    n.nz = l;
    n.nx0 = n.nx;
    n.ny0 = n.ny;
    to_unit(n.nx, n.ny, n.nz);
    return n;
}

void encode_biased(uint8_t* pixel, const SlopeNormal& n) {
    pixel[2] = biased(n.nx);
    pixel[1] = biased(n.ny);
    pixel[0] = biased(n.nz);
}

void encode_signed(uint8_t* pixel, const SlopeNormal& n) {
    pixel[2] = signed_byte(n.nx * 127.0 + 0.5);
    pixel[1] = signed_byte(n.ny * 127.0 + 0.5);
    pixel[0] = signed_byte(n.nz * 127.0 + 0.5);
}

void encode_two_channel(uint8_t* pixel, const SlopeNormal& n) {
    pixel[2] = low_byte(0.5 + n.nx0 * 127.5);
    pixel[1] = low_byte(0.5 + n.ny0 * 127.5);
    pixel[0] = 0;
}

void renormalise_normals(uint8_t* pixels, int64_t count) {
    for (int64_t i = 0; i < count; ++i) {
        uint8_t* p = pixels + 4 * i;
        double c0 = p[0] * BYTE_TO_UNIT - 1.0;
        double c1 = p[1] * BYTE_TO_UNIT - 1.0;
        double c2 = p[2] * BYTE_TO_UNIT - 1.0;
        to_unit(c0, c1, c2);
        p[0] = biased(c0);
        p[1] = biased(c1);
        p[2] = biased(c2);
    }
}
