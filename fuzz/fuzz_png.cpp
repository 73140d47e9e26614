// PNG loader, whole and in bands. Input: a PNG file. See fuzz_picture.h for
// the contract checked.
//
// Every chunk carries a checksum, so nearly every blind mutation would end
// at the first one. The mutator below mends the checksums of most mutated
// inputs (one in eight keeps its damage, for the checksum path itself); the
// files it keeps are exactly the ones tested.
#include "fuzz_picture.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t max_size);

namespace {

uint32_t png_crc(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

uint32_t big_endian(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// Gives every whole chunk after the signature the checksum of its type and
// data; stops at the first length that runs past the end.
void mend_checksums(uint8_t* data, size_t size) {
    size_t at = 8;
    while (size >= 12 && at <= size - 12) {
        const uint32_t length = big_endian(data + at);
        if (length > size - 12 - at) break;
        const uint32_t crc = png_crc(data + at + 4, size_t{length} + 4);
        uint8_t* out = data + at + 8 + length;
        for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
        at += size_t{length} + 12;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::picture_init();
    return 0;
}

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t max_size,
                                          unsigned int seed) {
    size = LLVMFuzzerMutate(data, size, max_size);
    if (seed % 8 != 0) mend_checksums(data, size);
    return size;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string name = fuzz::scratch_file("p.png");
    if (!fuzz::write_bytes_to(name, data, size)) return 0;
    // The band height comes from the input's length, which mutations change
    // now and then, so no byte of the file is spent on it.
    fuzz::check_picture(name, BandFormat::png, load_png, static_cast<uint8_t>(size));
    fuzz::trim_log();
    return 0;
}
