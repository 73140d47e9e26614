// Reader of tile files, texture streams and KTX2 files, as the inspection
// command uses it: the header check, the level walk and the decoding of
// every level.
//
// Input: a file. It is read from disk as it is, and checked in memory once
// more as a tile file, as a texture stream (its first word replaced by each
// magic) and as a KTX2 file (its first twelve bytes the identifier), so
// every mutation reaches every reader.
// Contract: a refused file gets a reason and no levels; an accepted one has
// levels that lie inside the file, fill exactly the bytes after the header,
// and decode into their own sizes. Each level is also decoded from a copy of
// exactly its own bytes, so the sanitizer sees any read past a level.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "containers/containers.h"
#include "fuzz_support.h"
#include "texfile/texfile.h"
#include "tileformat/tileformat.h"

namespace {

constexpr int64_t STREAM_HEADER = 128;

// The level decoded from heap copies of exactly its bytes (and palette)
// into an output of exactly its size; it must equal what the reader gave.
void check_exact_decode(const TexFile& f, const TexLevel& lv, const TexImage& image) {
    const int32_t channels = image.channels;
    const int64_t slice_bytes = lv.size / lv.slices;
    const int64_t slice_out = int64_t{lv.width} * lv.height * channels;
    std::vector<uint8_t> palette;
    if (f.palette_entries > 0) {
        const int64_t at = f.palette_offsets[lv.face];
        palette.assign(f.bytes.begin() + at, f.bytes.begin() + at + 4 * f.palette_entries);
    }
    for (int32_t s = 0; s < lv.slices; ++s) {
        const int64_t at = lv.offset + s * slice_bytes;
        // Heap blocks of exactly the level's size (one of no bytes is still
        // a valid pointer to nothing).
        std::unique_ptr<uint8_t[]> in(new uint8_t[static_cast<size_t>(slice_bytes)]);
        std::copy(f.bytes.begin() + at, f.bytes.begin() + at + slice_bytes, in.get());
        std::unique_ptr<uint8_t[]> out(new uint8_t[static_cast<size_t>(slice_out)]);
        TexSlice slice;
        slice.data = in.get();
        slice.size = slice_bytes;
        slice.width = lv.width;
        slice.height = lv.height;
        slice.palette = palette.empty() ? nullptr : palette.data();
        std::string error;
        FUZZ_REQUIRE(decode_tex_slice(f, slice, out.get(), error));
        const int64_t row = int64_t{lv.width} * channels;
        for (int32_t y = 0; y < lv.height; ++y) {
            const uint8_t* got =
                image.pixels.data() + (int64_t{y} * image.width + int64_t{s} * lv.width) * channels;
            FUZZ_REQUIRE(std::memcmp(got, out.get() + y * row, static_cast<size_t>(row)) == 0);
        }
    }
}

// A KTX2 file's levels: each of the layout's size for its place in the
// chain, inside the file, none before the level index.
void check_ktx2_levels(const TexFile& f) {
    const Ktx2Layout* layout = ktx2_layout(f.vk_format);
    FUZZ_REQUIRE(layout && container_format_of_vk(f.vk_format));
    FUZZ_REQUIRE(static_cast<int32_t>(container_format_of_vk(f.vk_format)->format) == f.format);
    const int64_t size = static_cast<int64_t>(f.bytes.size());
    for (size_t k = 0; k < f.levels.size(); ++k) {
        const TexLevel& lv = f.levels[k];
        FUZZ_REQUIRE(lv.width == std::max(1, f.header_width >> k));
        FUZZ_REQUIRE(lv.height == std::max(1, f.header_height >> k));
        FUZZ_REQUIRE(lv.slices == 1 && lv.face == 0);
        // Whole blocks of the layout, which the library's decoder of the
        // format reads as its own level of that size.
        const int64_t blocks = int64_t{(lv.width + layout->block_width - 1) / layout->block_width} *
                               ((lv.height + layout->block_height - 1) / layout->block_height);
        FUZZ_REQUIRE(lv.size == blocks * layout->block_bytes);
        FUZZ_REQUIRE(lv.size == texture_level_size(f.format, lv.width, lv.height));
        FUZZ_REQUIRE(lv.offset >= KTX2_HEADER_BYTES + KTX2_LEVEL_ENTRY_BYTES *
                                                          static_cast<int64_t>(f.levels.size()));
        FUZZ_REQUIRE(lv.offset + lv.size <= size);
    }
}

void check_accepted(const TexFile& f) {
    FUZZ_REQUIRE(f.format >= 0 && f.format < TEXTURE_FORMAT_COUNT);
    FUZZ_REQUIRE(std::strcmp(tex_format_name(f.format), "?") != 0);
    const int64_t size = static_cast<int64_t>(f.bytes.size());
    int64_t at = f.kind == TexFileKind::tile ? TILE_HEADER_SIZE
                                             : STREAM_HEADER + (f.dx10 ? DX10_HEADER_BYTES : 0);
    if (f.kind == TexFileKind::ktx2) {
        FUZZ_REQUIRE(!f.levels.empty() && f.palette_entries == 0 && f.faces == 1);
        check_ktx2_levels(f);
    } else if (f.kind == TexFileKind::tile) {
        FUZZ_REQUIRE(f.format == 8 || f.format == 0);
        FUZZ_REQUIRE(f.palette_entries == 0 && f.faces == 1);
    } else {
        FUZZ_REQUIRE(f.faces == 1 || f.faces == 6);
        FUZZ_REQUIRE(f.palette_entries == 0 || f.palette_entries == 16 || f.palette_entries == 256);
        FUZZ_REQUIRE(f.palette_offsets.size() ==
                     (f.palette_entries > 0 ? static_cast<size_t>(f.faces) : 0));
    }
    // The levels (and palettes) of the other kinds follow each other without
    // gap or overlap and end with the file.
    size_t palettes = 0;
    int32_t face = -1;
    for (const TexLevel& lv : f.levels) {
        if (f.kind == TexFileKind::ktx2) break;
        FUZZ_REQUIRE(lv.face >= 0 && lv.face < f.faces && lv.face >= face);
        if (lv.face != face) {
            face = lv.face;
            if (f.palette_entries > 0) {
                FUZZ_REQUIRE(palettes < f.palette_offsets.size());
                FUZZ_REQUIRE(f.palette_offsets[palettes++] == at);
                at += 4 * f.palette_entries;
            }
        }
        FUZZ_REQUIRE(lv.width >= 1 && lv.height >= 1 && lv.slices >= 1);
        FUZZ_REQUIRE(lv.width <= TEXFILE_MAX_SIDE && lv.height <= TEXFILE_MAX_SIDE);
        FUZZ_REQUIRE(lv.size == texture_level_size(f.format, lv.width, lv.height) * lv.slices);
        FUZZ_REQUIRE(lv.offset == at);
        at += lv.size;
        FUZZ_REQUIRE(at <= size);
    }
    FUZZ_REQUIRE(palettes == f.palette_offsets.size());
    FUZZ_REQUIRE(f.levels.empty() || f.kind == TexFileKind::ktx2 ? at <= size : at == size);

    for (size_t k = 0; k < f.levels.size(); ++k) {
        TexImage image;
        std::string error;
        FUZZ_REQUIRE(decode_tex_level(f, k, image, error));
        const TexLevel& lv = f.levels[k];
        FUZZ_REQUIRE(image.width == lv.width * lv.slices && image.height == lv.height);
        FUZZ_REQUIRE(image.channels == tex_channels(f));
        FUZZ_REQUIRE(image.pixels.size() ==
                     static_cast<size_t>(image.width) * image.height * image.channels);
        check_exact_decode(f, lv, image);
    }
    TexImage none;
    std::string error;
    FUZZ_REQUIRE(!decode_tex_level(f, f.levels.size(), none, error) && !error.empty());
}

// Checks one parse; returns whether the file was accepted.
bool check_parse(bool ok, const TexFile& f, const std::string& error) {
    if (!ok) {
        FUZZ_REQUIRE(!error.empty());
        FUZZ_REQUIRE(f.levels.empty() && f.palette_offsets.empty());
        return false;
    }
    check_accepted(f);
    return true;
}

void parse_as(const uint8_t* data, size_t size, uint32_t magic) {
    std::vector<uint8_t> bytes(data, data + size);
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(magic >> (8 * i));
    TexFile f;
    std::string error;
    check_parse(parse_tex_bytes("m", std::move(bytes), f, error), f, error);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::scratch_dir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string name = fuzz::scratch_file("t.bin");
    if (!fuzz::write_bytes_to(name, data, size)) return 0;
    TexFile from_disk;
    std::string error;
    const bool ok = read_tex_file(name, from_disk, error);
    check_parse(ok, from_disk, error);
    // Reading from disk and checking in memory agree.
    TexFile in_memory;
    std::string memory_error;
    const bool same = parse_tex_bytes(name, std::vector<uint8_t>(data, data + size), in_memory,
                                      memory_error) == ok;
    FUZZ_REQUIRE(same && memory_error == error &&
                 in_memory.levels.size() == from_disk.levels.size());
    if (size >= 4) {
        parse_as(data, size, TILE_MAGIC);
        parse_as(data, size, 0x20534444);  // "DDS "
    }
    if (size >= sizeof(KTX2_IDENTIFIER)) {
        std::vector<uint8_t> bytes(data, data + size);
        std::copy(std::begin(KTX2_IDENTIFIER), std::end(KTX2_IDENTIFIER), bytes.begin());
        TexFile f;
        check_parse(parse_tex_bytes("k", std::move(bytes), f, error), f, error);
    }
    return 0;
}
