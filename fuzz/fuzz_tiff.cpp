// TIFF loader, whole and in bands. Input: a TIFF or BigTIFF file. See
// fuzz_picture.h for the contract checked.
#include "fuzz_picture.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::picture_init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string name = fuzz::scratch_file("p.tif");
    if (!fuzz::write_bytes_to(name, data, size)) return 0;
    // The band height comes from the input's length, which every mutation
    // changes now and then.
    fuzz::check_picture(name, BandFormat::tiff, load_tiff, static_cast<uint8_t>(size));
    fuzz::trim_log();
    return 0;
}
