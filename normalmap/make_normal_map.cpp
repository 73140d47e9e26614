// make_normal_map: the conversion of a whole picture, step by step.
#include <cstring>
#include <memory>
#include <new>

#include "normalmap/normalmap.h"

namespace {

// The normals of every pixel, from the convolver's two kernels, written with
// the chosen encoding. Byte 3 (the height) is left as it is.
bool write_normals(const Convolver& c, uint8_t* pixels, int32_t width, int32_t height, float sxf,
                   float syf, void (*encode)(uint8_t*, const SlopeNormal&)) {
    const size_t w = static_cast<size_t>(width);
    std::unique_ptr<float[]> vx(new (std::nothrow) float[w]);
    std::unique_ptr<float[]> vy(new (std::nothrow) float[w]);
    std::unique_ptr<double[]> scratch(
        new (std::nothrow) double[static_cast<size_t>(c.row_scratch_size())]);
    if (!vx || !vy || !scratch) return false;
    for (int32_t y = 0; y < height; ++y) {
        c.row_values(0, y, vx.get(), scratch.get());
        c.row_values(1, y, vy.get(), scratch.get());
        uint8_t* row = pixels + static_cast<size_t>(y) * w * 4;
        for (size_t x = 0; x < w; ++x)
            encode(row + 4 * x, normal_from_slopes(vx[x], vy[x], sxf, syf));
    }
    return true;
}

void post_process(uint8_t* pixels, int64_t count, const NormalMapOptions& o,
                  const uint8_t* saved_alpha) {
    for (int64_t i = 0; i < count; ++i) {
        uint8_t* p = pixels + 4 * i;
        if (o.minz != 0 && static_cast<uint32_t>(p[0]) < static_cast<uint32_t>(o.minz))
            p[0] = static_cast<uint8_t>(o.minz);
        if (o.alpha == NORMALMAP_ALPHA_INPUT) p[3] = saved_alpha[i];
        if (o.alpha == NORMALMAP_ALPHA_ZERO) p[3] = 0;
        if (o.alpha == NORMALMAP_ALPHA_OPAQUE) p[3] = 255;
        if (o.swap_rgb) {
            const uint8_t t = p[0];
            p[0] = p[2];
            p[2] = t;
        }
    }
}

}  // namespace

int32_t make_normal_map(const NormalMapOptions& o, int32_t width, int32_t height, uint8_t* pixels,
                        int32_t layout) {
    if (layout != NORMALMAP_LAYOUT_WORDS || width < 0 || height < 0) return NORMALMAP_BAD_ARGUMENT;
    if (!pixels && width > 0 && height > 0) return NORMALMAP_BAD_ARGUMENT;
    if (o.conversion < NORMALMAP_CONVERSION_FIRST || o.conversion >= NORMALMAP_CONVERSION_END) {
        normalmap_report("Unknown conversion %d", o.conversion);
        return NORMALMAP_UNKNOWN_CONVERSION;
    }
    const int64_t count = static_cast<int64_t>(width) * height;
    if (count == 0) return NORMALMAP_OK;

    const float sxf = o.invert_x ? -o.scale : o.scale;
    const float syf = o.invert_y ? -o.scale : o.scale;

    if (o.conversion == NORMALMAP_RENORMALISE) {
        renormalise_normals(pixels, count);
        return NORMALMAP_OK;
    }
    if (o.conversion == NORMALMAP_TO_HEIGHT)
        return normals_to_height(pixels, width, height, o.scale, 0.0) ? NORMALMAP_OK
                                                                      : NORMALMAP_NO_MEMORY;

    // The input alpha, when it is to come back at the end.
    std::unique_ptr<uint8_t[]> saved;
    if (o.alpha == NORMALMAP_ALPHA_INPUT) {
        saved.reset(new (std::nothrow) uint8_t[static_cast<size_t>(count)]);
        if (!saved) return NORMALMAP_NO_MEMORY;
        for (int64_t i = 0; i < count; ++i) saved[i] = pixels[4 * i + 3];
    }

    convert_heights(pixels, count, o.conversion);

    std::unique_ptr<NormalMapMaker> maker;
    KernelPair kernels;
    try {
        kernels = make_kernel_pair(o.kernel);
        maker.reset(new NormalMapMaker());
    } catch (const std::bad_alloc&) {
        normalmap_report("Couldn't initialize NormalMapMaker!");
        return NORMALMAP_SETUP_FAILED;
    }
    std::unique_ptr<ImageBin> bin(new (std::nothrow) ImageBin());
    if (!bin) {
        normalmap_report("Couldn't initialize image bin!");
        return NORMALMAP_SETUP_FAILED;
    }
    bin->pixels = pixels;
    bin->format = IMAGE_BIN_FORMAT_WORDS;
    bin->width = width;
    bin->height = height;
    const ImageBin* handle = bin.get();
    if (maker->InitializeConvolver(kernels.x, kernels.y, &handle, o.wrap) != 0) {
        normalmap_report("Couldn't initialize normal map maker!");
        return NORMALMAP_SETUP_FAILED;
    }

    void (*encode)(uint8_t*, const SlopeNormal&) = encode_biased;
    if (o.kernel == NORMALMAP_KERNEL_SOBEL)
        encode = encode_two_channel;
    else if (o.signed_output)
        encode = encode_signed;
    // The convolver samples its own bordered copy, so the pixels can be
    // overwritten while it works.
    if (!write_normals(*maker->convolver, pixels, width, height, sxf, syf, encode)) {
        normalmap_report("Couldn't initialize normal map maker!");
        return NORMALMAP_SETUP_FAILED;
    }
    maker.reset();

    post_process(pixels, count, o, saved.get());
    return NORMALMAP_OK;
}
