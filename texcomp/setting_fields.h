// The accessors of the settings key table, one per field, and the profile's
// conversions they apply: a field's type decides how a profile value reads.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <type_traits>

#include "texcomp/setting_access.h"

namespace setting_fields {

// atoi as glibc has it: strtol, then the low 32 bits.
inline int32_t to_int(const char* v) {
    const long r = std::strtol(v, nullptr, 10);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long>(r)));
}

// strtod rounded to float. A finite double beyond float range rounds to
// infinity (or to the largest float within half a step of it), spelled out
// because a plain conversion of such a value is undefined.
inline float to_float(const char* v) {
    const double d = std::strtod(v, nullptr);
    if (std::isfinite(d) && std::fabs(d) > static_cast<double>(FLT_MAX)) {
        const double halfway = std::ldexp(1.0, 128) - std::ldexp(1.0, 103);
        const float big = std::fabs(d) < halfway ? FLT_MAX : INFINITY;
        return d < 0 ? -big : big;
    }
    return static_cast<float>(d);
}

// A profile value read as a field of type T: flags are any non-zero whole
// number, 16-bit fields keep the low 16 bits of the whole number.
template <typename T>
T parse(const char* v) {
    if constexpr (std::is_same_v<T, uint8_t>) return to_int(v) != 0 ? 1 : 0;
    if constexpr (std::is_same_v<T, int16_t>)
        return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(to_int(v))));
    if constexpr (std::is_same_v<T, int32_t>) return to_int(v);
    if constexpr (std::is_same_v<T, float>) return to_float(v);
}

template <typename T>
constexpr SettingKind kind_of() {
    static_assert(std::is_same_v<T, uint8_t> || std::is_same_v<T, int16_t> ||
                      std::is_same_v<T, int32_t> || std::is_same_v<T, float>,
                  "a settings field is a flag, a whole number or a float");
    if constexpr (std::is_same_v<T, uint8_t>) return SettingKind::Flag;
    if constexpr (std::is_same_v<T, float>) return SettingKind::Decimal;
    return SettingKind::Whole;
}

// The field a member pointer names, and for an array member its element at
// index[0].
template <typename M>
struct Member;
template <typename R, typename T>
struct Member<T R::*> {
    using Record = R;
    using Type = T;
    static T& at(R& r, T R::*f, const int32_t*) { return r.*f; }
    static const T& at(const R& r, T R::*f, const int32_t*) { return r.*f; }
};
template <typename R, typename T, size_t N>
struct Member<T (R::*)[N]> {
    using Record = R;
    using Type = T;
    static T& at(R& r, T (R::*f)[N], const int32_t* i) { return (r.*f)[i[0]]; }
    static const T& at(const R& r, T (R::*f)[N], const int32_t* i) { return (r.*f)[i[0]]; }
};

template <auto F>
using FieldType = typename Member<decltype(F)>::Type;

template <auto F, typename R>
void apply(R& r, const int32_t i[2], const char* v) {
    Member<decltype(F)>::at(r, F, i) = parse<FieldType<F>>(v);
}
template <auto F, typename R>
void store(R& r, const int32_t i[2], double v) {
    Member<decltype(F)>::at(r, F, i) = static_cast<FieldType<F>>(v);
}
template <auto F>
double load(const TextureSettings& s, const int32_t i[2]) {
    return static_cast<double>(Member<decltype(F)>::at(s, F, i));
}

// A TextureSettings field (plain or array).
template <auto F, double (*Standard)(const int32_t*) = nullptr>
inline constexpr SettingAccess record_field = {
    apply<F, TextureSettings>, store<F, TextureSettings>, load<F>, nullptr, nullptr, Standard};

// A field of the compressor that only a profile sets.
template <auto F, double (*Standard)(const int32_t*) = nullptr>
inline constexpr SettingAccess profile_field = {
    nullptr, nullptr, nullptr, apply<F, TextureCompressor>, store<F, TextureCompressor>, Standard};

}  // namespace setting_fields
