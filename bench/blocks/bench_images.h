// Pictures for the block-encoder benchmark: JPEG photographs, the project's
// sample BMP, and a deterministic stand-in when the sample is missing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct BenchImage {
    std::string name;
    int width = 0;  // a multiple of 4 (cropped on load)
    int height = 0;
    std::vector<uint32_t> argb;  // 0xAARRGGBB words, rows packed
    std::vector<uint8_t> rgba;   // the same pixels as bytes R, G, B, A
};

// Each returns false (and leaves `out` empty) when the file cannot be read.
bool load_jpeg(const std::string& path, BenchImage& out);
bool load_bmp24(const std::string& path, BenchImage& out);

// A panorama-like picture drawn from integer arithmetic: sky gradient, ridge
// with a hard edge, flat water, textured ground.
BenchImage synthetic_panorama(int width, int height);
