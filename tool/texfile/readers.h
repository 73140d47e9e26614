// texfile internals: the two readers behind parse_tex_bytes, and the
// decoders the decoding table names.
#pragma once

#include <cstdint>
#include <string>

#include "texfile/texfile.h"
#include "tileformat/tileformat.h"

constexpr uint32_t STREAM_FILE_MAGIC = 0x20534444;  // "DDS "

inline uint32_t read_word(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Each fills `file` from file.bytes (whose first word is the kind's magic).
bool parse_tile_file(TexFile& file, std::string& error);
bool parse_stream_file(TexFile& file, std::string& error);
// Its first word is that of the KTX2 identifier.
bool parse_ktx2_file(TexFile& file, std::string& error);

// The block and palettised decoders of the decoding table (decoders.cpp):
// four channels, R, G, B, A.
void decode_dxt1(const TexSlice& slice, uint8_t* out);  // both DXT1 codes
void decode_dxt3(const TexSlice& slice, uint8_t* out);
void decode_dxt5(const TexSlice& slice, uint8_t* out);
void decode_p8(const TexSlice& slice, uint8_t* out);
void decode_p4(const TexSlice& slice, uint8_t* out);
// BC4: one grey channel; BC5: R, G and a blue of 0; BC7: R, G, B, A.
void decode_bc4(const TexSlice& slice, uint8_t* out);
void decode_bc5(const TexSlice& slice, uint8_t* out);
void decode_bc7(const TexSlice& slice, uint8_t* out);
// ASTC 4x4, 6x6, 8x8: R, G, B, A (decode_astc.cpp). They throw
// std::bad_alloc when the library has no memory and std::runtime_error with
// its reason when it fails otherwise.
void decode_astc_4x4(const TexSlice& slice, uint8_t* out);
void decode_astc_6x6(const TexSlice& slice, uint8_t* out);
void decode_astc_8x8(const TexSlice& slice, uint8_t* out);

// "N bytes" with a thousands-free plain number, for messages.
std::string byte_count(int64_t n);
