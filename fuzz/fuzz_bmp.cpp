// BMP loader, with or without a companion alpha file.
//
// Input: a BMP file; or "PAIR", a 32-bit little-endian length n, n bytes of
// picture and the rest as its companion "<base>_trans.bmp". Every input is
// loaded with the layouts a caller may ask for, and read in bands as the tool
// reads it. Contract: a failed load keeps the record's sizes and says why; a
// good one fills every byte it promises; the bands hold the rows of the
// tool's whole-picture load.
#include <cstring>

#include "fuzz_picture.h"
#include "imageio/imageio.h"
#include "vxsystem/vxsystem.h"

namespace {

void load_and_check(int32_t planes, int skip_pow2_check) {
    LoadedImage image;
    image.name = fuzz::scratch_file("p.bmp");
    image.width = -7;
    image.height = -9;
    const int32_t before = reserve_count();
    const LoadResult result =
        load_bmp(image, file_size(image.name.c_str()), planes, skip_pow2_check);
    if (!result.ok()) {
        FUZZ_REQUIRE(image.width == -7 && image.height == -9);
        FUZZ_REQUIRE(!result.reason.empty());
    } else {
        FUZZ_REQUIRE(image.width >= 1 && image.height >= 1 && image.pixels != nullptr);
        FUZZ_REQUIRE(result.reason.empty());
        const bool indexed = image.palette_size != 0 && (planes == 5 || planes == 6);
        // The block holds one byte per pixel for indices, else `planes` bytes.
        const int64_t per_pixel = indexed ? 1 : image.planes;
        const int64_t bytes = per_pixel * image.width * image.height;
        // Reading every promised byte lets the sanitizer catch a short block.
        unsigned sum = 0;
        for (int64_t i = 0; i < bytes; ++i) sum += image.pixels[i];
        if (indexed) {
            FUZZ_REQUIRE(image.palette != nullptr);
            FUZZ_REQUIRE(image.palette_size == 16 || image.palette_size == 256);
            for (int32_t i = 0; i < image.palette_size * 4; ++i) sum += image.palette[i];
        }
        (void)sum;
    }
    release_block(&image.pixels);
    release_block(&image.palette);
    FUZZ_REQUIRE(reserve_count() == before);
}

// The tool's load: R, G, B, or R, G, B, A with a companion.
LoadResult load_as_tool(LoadedImage& image) {
    return load_bmp(image, file_size(image.name.c_str()), 3, 1);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::enter_scratch_dir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t* picture = data;
    size_t picture_size = size;
    const uint8_t* companion = nullptr;
    size_t companion_size = 0;
    if (size >= 8 && std::memcmp(data, "PAIR", 4) == 0) {
        const size_t n =
            size_t{data[4]} | size_t{data[5]} << 8 | size_t{data[6]} << 16 | size_t{data[7]} << 24;
        picture = data + 8;
        picture_size = n < size - 8 ? n : size - 8;
        companion = picture + picture_size;
        companion_size = size - 8 - picture_size;
    }
    if (!fuzz::write_bytes_to(fuzz::scratch_file("p.bmp"), picture, picture_size)) return 0;
    const std::string companion_name = fuzz::scratch_file("p_trans.bmp");
    if (companion) {
        if (!fuzz::write_bytes_to(companion_name, companion, companion_size)) return 0;
    } else {
        std::remove(companion_name.c_str());
    }
    load_and_check(3, 1);  // as the tool loads
    fuzz::check_picture(fuzz::scratch_file("p.bmp"), BandFormat::bmp, load_as_tool,
                        static_cast<uint8_t>(size));
    load_and_check(4, 0);
    load_and_check(5, 1);
    load_and_check(1, 1);
    fuzz::trim_log();
    return 0;
}
