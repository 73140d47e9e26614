// JPEG loader. Input: a JPEG file. Contract: a failed load keeps the record
// as it was and says why; a good one fills width x height x 3 bytes; no
// reservation is left behind either way.
#include "fuzz_support.h"
#include "imageio/imageio.h"
#include "vxsystem/vxsystem.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::enter_scratch_dir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LoadedImage image;
    image.name = fuzz::scratch_file("p.jpg");
    if (!fuzz::write_bytes_to(image.name, data, size)) return 0;
    image.width = -7;
    image.height = -9;
    const int32_t before = reserve_count();
    const LoadResult result = load_jpeg(image);
    if (!result.ok()) {
        FUZZ_REQUIRE(image.width == -7 && image.height == -9 && image.pixels == nullptr);
        FUZZ_REQUIRE(!result.reason.empty() && result.warning.empty());
        FUZZ_REQUIRE(reserve_count() == before);
    } else {
        FUZZ_REQUIRE(image.width >= 1 && image.height >= 1 && image.pixels != nullptr);
        FUZZ_REQUIRE(result.reason.empty());
        const int64_t bytes = int64_t{image.width} * image.height * 3;
        unsigned sum = 0;
        for (int64_t i = 0; i < bytes; ++i) sum += image.pixels[i];
        (void)sum;
        release_block(&image.pixels);
        FUZZ_REQUIRE(reserve_count() == before);
    }
    fuzz::trim_log();
    return 0;
}
