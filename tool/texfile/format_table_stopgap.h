// STOPGAP, to be deleted: the format names, level sizes and result messages
// the commands need, until the compression library publishes its own
// (texture_format_info, texture_format_find, texture_level_size,
// texture_result_message in texcomp/texcomp.h). Same names and signatures, so
// the switch is: delete this file, include texcomp/texcomp.h instead.
#pragma once

#include <strings.h>

#include <cstdint>

#include "texcomp/texcomp.h"

enum class TextureFormat : int32_t {
    Dxt1 = 0,
    Dxt1a = 1,
    Dxt3 = 2,
    Dxt5 = 3,
    Argb4444 = 4,
    Argb1555 = 5,
    Rgb565 = 6,
    Argb8888 = 7,
    Rgb888 = 8,
    Xrgb1555 = 9,
    P8 = 10,
    V8u8 = 11,
    Cxv8u8 = 12,
    A8 = 13,
    P4 = 14,
    Q8w8v8u8 = 15,
    A8l8 = 16
};

struct TextureFormatInfo {
    TextureFormat format;
    int32_t code;
    const char* name;
};

inline const TextureFormatInfo* texture_format_info(int32_t code) {
    static const TextureFormatInfo table[17] = {
        {TextureFormat::Dxt1, 0, "dxt1"},
        {TextureFormat::Dxt1a, 1, "dxt1a"},
        {TextureFormat::Dxt3, 2, "dxt3"},
        {TextureFormat::Dxt5, 3, "dxt5"},
        {TextureFormat::Argb4444, 4, "argb4444"},
        {TextureFormat::Argb1555, 5, "argb1555"},
        {TextureFormat::Rgb565, 6, "rgb565"},
        {TextureFormat::Argb8888, 7, "argb8888"},
        {TextureFormat::Rgb888, 8, "rgb888"},
        {TextureFormat::Xrgb1555, 9, "xrgb1555"},
        {TextureFormat::P8, 10, "p8"},
        {TextureFormat::V8u8, 11, "v8u8"},
        {TextureFormat::Cxv8u8, 12, "cxv8u8"},
        {TextureFormat::A8, 13, "a8"},
        {TextureFormat::P4, 14, "p4"},
        {TextureFormat::Q8w8v8u8, 15, "q8w8v8u8"},
        {TextureFormat::A8l8, 16, "a8l8"},
    };
    return code >= 0 && code <= 16 ? &table[code] : nullptr;
}

inline const TextureFormatInfo* texture_format_find(const char* name) {
    if (!name) return nullptr;
    for (int32_t c = 0; c <= 16; ++c)
        if (strcasecmp(texture_format_info(c)->name, name) == 0) return texture_format_info(c);
    return nullptr;
}

inline int64_t texture_level_size(int32_t code, int32_t w, int32_t h) {
    if (code < 0 || code > 16 || w < 0 || h < 0) return 0;
    const int64_t blocks = int64_t{(w + 3) / 4} * ((h + 3) / 4);
    const int64_t pixels = int64_t{w} * h;
    switch (code) {
        case 0:
        case 1:
            return 8 * blocks;
        case 2:
        case 3:
            return 16 * blocks;
        case 7:
        case 15:
            return 4 * pixels;
        case 8:
            return 3 * pixels;
        case 10:
        case 13:
            return pixels;
        case 14:
            return pixels / 2 > 0 ? pixels / 2 : 1;
        default:
            return 2 * pixels;
    }
}

inline const char* texture_result_message(int32_t result) {
    switch (result) {
        case 0:
            return "done";
        case -1:
            return "no pixels";
        case -2:
            return "the picture has neither 3 nor 4 bytes per pixel";
        case -3:
            return "the block formats need sides that are powers of two";
        case TEXCOMP_REFUSED:
            return "the library does not handle these settings";
        case TEXCOMP_BAD_SIZE:
            return "unusable size or rectangle";
        case TEXCOMP_NO_MEMORY:
            return "out of memory";
        default:
            return "unknown result";
    }
}
