// Texture streams: "DDS ", the 124-byte surface header, then per face the
// palette (codes 10 and 14) and the levels, largest first. Besides the
// library's own pixel-format blocks, the 32-bit R, G, B, A block of the
// containers library is read (as argb8888 with red and blue exchanged).
//
// The library's chain halves each side with (side + 1) / 2 down to 1 x 1
// while the header counts the binary digits of the larger side, so a picture
// whose sides are not powers of two carries one level more than the header's
// mip count. The reader accepts the header's count or the whole chain,
// whichever fills the file exactly, and says which.
#include "containers/containers.h"
#include "texcomp/texcomp.h"
#include "texfile/readers.h"

namespace {

constexpr int64_t STREAM_HEADER_BYTES = 128;

struct LevelShape {
    int32_t w, h, slices;
};

// The levels of one face: a plain chain, or for a volume the depth halving
// along with the sides until one slice is left, then the plain chain.
std::vector<LevelShape> full_chain(int32_t w, int32_t h, int32_t slices) {
    std::vector<LevelShape> chain{{w, h, slices}};
    while (chain.back().slices > 1 || chain.back().w > 1 || chain.back().h > 1) {
        const LevelShape& last = chain.back();
        chain.push_back({(last.w + 1) / 2, (last.h + 1) / 2, (last.slices + 1) / 2});
    }
    return chain;
}

int64_t face_bytes(int32_t format, const std::vector<LevelShape>& chain, size_t count,
                   int64_t palette) {
    int64_t total = palette;
    for (size_t k = 0; k < count; ++k)
        total += texture_level_size(format, chain[k].w, chain[k].h) * chain[k].slices;
    return total;
}

// The DX10 header after the surface header: the format it names decides
// the code; its kind, cube flag and array size must be what the library
// writes.
bool read_dx10_header(TexFile& file, int64_t& header_bytes, std::string& error) {
    const int64_t size = static_cast<int64_t>(file.bytes.size());
    if (size < STREAM_HEADER_BYTES + DX10_HEADER_BYTES) {
        error = "short file: " + byte_count(size) + ", the stream and DX10 headers alone have 148";
        return false;
    }
    const uint8_t* d = file.bytes.data() + STREAM_HEADER_BYTES;
    file.dx10 = true;
    file.dxgi_format = read_word(d);
    file.dx10_dimension = read_word(d + 4);
    file.dx10_misc = read_word(d + 8);
    file.dx10_array_size = read_word(d + 12);
    file.dx10_alpha_mode = read_word(d + 16);
    file.format = -1;
    for (int32_t code = 0; code < TEXTURE_FORMAT_COUNT; ++code)
        if (texture_format_info(code)->dxgi_format == file.dxgi_format) file.format = code;
    if (file.dxgi_format == 0 || file.format < 0) {
        error = "the DX10 header names format number " + std::to_string(file.dxgi_format) +
                ", which this library does not write";
        return false;
    }
    const bool volume = (file.caps2 & CAPS2_VOLUME) != 0;
    if (file.dx10_dimension != (volume ? DX10_TEXTURE_3D : DX10_TEXTURE_2D)) {
        error = "the DX10 header's resource kind " + std::to_string(file.dx10_dimension) +
                " does not match the surface header";
        return false;
    }
    if (((file.dx10_misc & DX10_CUBE) != 0) != ((file.caps2 & CAPS2_CUBE) != 0)) {
        error = "the DX10 header's cube flag does not match the surface header";
        return false;
    }
    if (file.dx10_array_size != 1) {
        error = "an array of " + std::to_string(file.dx10_array_size) +
                " textures, which the library does not write";
        return false;
    }
    header_bytes += DX10_HEADER_BYTES;
    return true;
}

// The pixel-format block of DDS_RGBA32_PIXEL_FORMAT (its size word 32).
bool is_rgba32_block(const uint8_t* block) {
    const TexturePixelFormat& pf = DDS_RGBA32_PIXEL_FORMAT;
    const uint32_t want[8] = {32,          pf.flags,      pf.fourcc,    pf.bit_count,
                              pf.red_mask, pf.green_mask, pf.blue_mask, pf.alpha_mask};
    for (int k = 0; k < 8; ++k)
        if (read_word(block + 4 * k) != want[k]) return false;
    return true;
}

}  // namespace

bool parse_stream_file(TexFile& file, std::string& error) {
    const int64_t size = static_cast<int64_t>(file.bytes.size());
    if (size < STREAM_HEADER_BYTES) {
        error = "short file: " + byte_count(size) + ", the stream header alone has 128";
        return false;
    }
    const uint8_t* b = file.bytes.data() + 4;  // the surface header
    file.kind = TexFileKind::stream;
    if (read_word(b) != 124) {
        error = "surface header size word is " + std::to_string(read_word(b)) + ", not 124";
        return false;
    }
    file.flags = read_word(b + 4);
    const uint32_t height = read_word(b + 8);
    const uint32_t width = read_word(b + 12);
    file.linear_size = read_word(b + 16);
    const uint32_t depth = read_word(b + 20);
    const uint32_t mip_count = read_word(b + 24);
    file.fourcc = read_word(b + 80);
    file.caps1 = read_word(b + 104);
    file.caps2 = read_word(b + 108);
    file.header_width = static_cast<int32_t>(width > 0x7FFFFFFF ? 0x7FFFFFFF : width);
    file.header_height = static_cast<int32_t>(height > 0x7FFFFFFF ? 0x7FFFFFFF : height);
    file.header_levels = static_cast<int32_t>(mip_count > 0x7FFFFFFF ? 0x7FFFFFFF : mip_count);
    file.format = tex_format_from_pixel_format(b + 72);
    if (file.format < 0 && is_rgba32_block(b + 72)) {
        // The containers' 32-bit pixels: argb8888's four bytes with red and
        // blue in each other's place.
        file.format = static_cast<int32_t>(TextureFormat::Argb8888);
        file.colours_exchanged = true;
    }
    if (file.format < 0) {
        error = "the pixel-format block names no format this library writes";
        return false;
    }
    // Said beside the table, since such a file may still be named .dds.
    if (is_astc_format(file.format))
        file.note = "ASTC in this library's own stream (FourCC \"" +
                    std::string(reinterpret_cast<const char*>(b + 80), 4) +
                    "\"), which DDS readers do not know; KTX2 files carry ASTC to engines";
    int64_t header_bytes = STREAM_HEADER_BYTES;
    if (texture_format_info(file.format)->dxgi_format &&
        !read_dx10_header(file, header_bytes, error))
        return false;
    if (width < 1 || height < 1 || width > TEXFILE_MAX_SIDE || height > TEXFILE_MAX_SIDE) {
        error = "impossible sizes: " + std::to_string(width) + " x " + std::to_string(height);
        return false;
    }
    const int32_t w = static_cast<int32_t>(width), h = static_cast<int32_t>(height);
    int32_t slices = 1;
    if (file.caps2 & CAPS2_VOLUME) {
        if (depth < 1 || depth > TEXFILE_MAX_SIDE || !is_pow2(static_cast<int32_t>(depth))) {
            error = "impossible sizes: a volume of " + std::to_string(depth) + " slices";
            return false;
        }
        if (texture_format_info(file.format)->palettised) {
            error = "a palettised volume texture, which the library does not write";
            return false;
        }
        slices = static_cast<int32_t>(depth);
        file.depth = slices;
    } else if (file.caps2 & CAPS2_CUBE) {
        if ((file.caps2 & CAPS2_ALL_FACES) != CAPS2_ALL_FACES) {
            error = "a cube texture without all six faces, which the library does not write";
            return false;
        }
        file.faces = 6;
    }
    const std::vector<LevelShape> chain = full_chain(w, h, slices);
    size_t promised = 1;
    if (file.flags & SURFACE_HAS_MIP_COUNT) promised = mip_count == 0 ? 1 : mip_count;
    if (promised > chain.size()) {
        error = "impossible sizes: the header promises " + std::to_string(mip_count) +
                " levels, a " + std::to_string(w) + " x " + std::to_string(h) +
                " chain has at most " + std::to_string(chain.size());
        return false;
    }
    const TextureFormatInfo* info = texture_format_info(file.format);
    if (info->palettised) file.palette_entries = 1 << info->bits_per_pixel;
    const int64_t palette = 4 * int64_t{file.palette_entries};
    const int64_t data = size - header_bytes;
    const int64_t want = file.faces * face_bytes(file.format, chain, promised, palette);
    const int64_t whole = file.faces * face_bytes(file.format, chain, chain.size(), palette);
    size_t count = promised;
    if (data == whole && whole != want) {
        count = chain.size();
        file.note += std::string(file.note.empty() ? "" : "; ") +
                     "one level beyond the header's mip count, down to 1 x 1, as the chain of "
                     "sides that are not powers of two has";
    } else if (data != want) {
        error = std::string(data < want ? "short" : "long") + " file: the header promises " +
                byte_count(want) + " of levels, the file holds " + byte_count(data);
        return false;
    }

    int64_t offset = header_bytes;
    for (int32_t face = 0; face < file.faces; ++face) {
        if (palette > 0) {
            file.palette_offsets.push_back(offset);
            offset += palette;
        }
        for (size_t k = 0; k < count; ++k) {
            TexLevel level;
            level.face = face;
            level.index = static_cast<int32_t>(k);
            level.width = chain[k].w;
            level.height = chain[k].h;
            level.slices = chain[k].slices;
            level.offset = offset;
            level.size = texture_level_size(file.format, chain[k].w, chain[k].h) * chain[k].slices;
            offset += level.size;
            file.levels.push_back(level);
        }
    }
    return true;
}
