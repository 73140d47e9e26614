// KTX2 files: the identifier, the header and its index, the level index,
// the data format descriptor and the key/value data, checked against the
// containers library's table before any level is taken. Every offset and
// length is checked against the file before it is used, in 64 bits.
#include <cstring>

#include "containers/containers.h"
#include "texfile/readers.h"

namespace {

uint64_t read_u64(const uint8_t* p) { return read_word(p) | uint64_t{read_word(p + 4)} << 32; }

// Whether [offset, offset + length) lies inside a file of `size` bytes.
bool inside(uint64_t offset, uint64_t length, int64_t size) {
    const uint64_t s = static_cast<uint64_t>(size);
    return offset <= s && length <= s - offset;
}

int32_t binary_digits(uint32_t v) {
    int32_t n = 0;
    for (; v; v >>= 1) ++n;
    return n;
}

std::string vk_text(uint32_t vk) {
    const Ktx2Layout* l = ktx2_layout(vk);
    return std::to_string(vk) + (l ? std::string(" (") + l->vk_name + ")" : "");
}

std::string writable_formats() {
    int32_t count = 0;
    const Ktx2Layout* rows = ktx2_layouts(&count);
    std::string text;
    for (int32_t k = 0; k < count; ++k) {
        if (!container_format_of_vk(rows[k].vk_format)) continue;
        text += (text.empty() ? "" : ", ") + vk_text(rows[k].vk_format);
    }
    return text;
}

// The words a plain 2D texture of one of the table's formats has.
bool check_header(TexFile& file, const uint8_t* b, std::string& error) {
    file.vk_format = read_word(b + 12);
    file.type_size = read_word(b + 16);
    const uint32_t width = read_word(b + 20), height = read_word(b + 24);
    const uint32_t depth = read_word(b + 28), layers = read_word(b + 32);
    const uint32_t faces = read_word(b + 36), levels = read_word(b + 40);
    const uint32_t scheme = read_word(b + 44);
    const Ktx2Layout* layout = ktx2_layout(file.vk_format);
    const ContainerFormat* row = container_format_of_vk(file.vk_format);
    if (!layout) {
        error = "vkFormat " + std::to_string(file.vk_format) +
                ", which razivavu does not write (it writes " + writable_formats() + ")";
        return false;
    }
    if (!row) {
        error = "vkFormat " + vk_text(file.vk_format) + ", which razivavu cannot decode yet";
        return false;
    }
    file.format = static_cast<int32_t>(row->format);
    // The table's pixel layouts store red first, where the library's layout
    // of the same format (and so its decoder) has blue.
    file.colours_exchanged = texture_format_info(row->format)->block_mode < 0;
    if (file.type_size != layout->type_size) {
        error = "typeSize " + std::to_string(file.type_size) + ", where " + layout->vk_name +
                " has " + std::to_string(layout->type_size);
        return false;
    }
    if (scheme != KTX2_SUPERCOMPRESSION_NONE) {
        error = "supercompression scheme " + std::to_string(scheme) +
                ", which razivavu does not read (it writes none)";
        return false;
    }
    if (depth != 0 || layers != 0 || faces != 1) {
        error = "a texture of depth " + std::to_string(depth) + ", " + std::to_string(layers) +
                " layers and " + std::to_string(faces) +
                " faces: razivavu reads plain 2D textures only (0, 0 and 1)";
        return false;
    }
    if (width < 1 || height < 1 || width > TEXFILE_MAX_SIDE || height > TEXFILE_MAX_SIDE) {
        error = "impossible sizes: " + std::to_string(width) + " x " + std::to_string(height);
        return false;
    }
    file.header_width = static_cast<int32_t>(width);
    file.header_height = static_cast<int32_t>(height);
    const int32_t most = binary_digits(width > height ? width : height);
    if (levels > static_cast<uint32_t>(most)) {
        error = "impossible sizes: levelCount " + std::to_string(levels) + ", a " +
                std::to_string(width) + " x " + std::to_string(height) + " chain has at most " +
                std::to_string(most);
        return false;
    }
    file.header_levels = static_cast<int32_t>(levels);
    if (levels == 0)
        file.note = "levelCount 0: the first level alone, the rest for the reader to make";
    return true;
}

// The basic descriptor block: its kind and version, and the colour model
// of the header's format.
bool read_descriptor(TexFile& file, const uint8_t* b, std::string& error) {
    const int64_t size = static_cast<int64_t>(file.bytes.size());
    const uint32_t offset = read_word(b + 48), length = read_word(b + 52);
    if (length < 4 + KTX2_DFD_BLOCK_BYTES || !inside(offset, length, size)) {
        error = "the data format descriptor (" + byte_count(length) + " at " +
                std::to_string(offset) + ") does not fit in the file";
        return false;
    }
    const uint8_t* d = file.bytes.data() + offset;
    const uint32_t block_size = read_word(d + 8) >> 16;
    if (read_word(d) != length || read_word(d + 4) != 0 ||
        (read_word(d + 8) & 0xFFFF) != KTX2_DFD_VERSION || block_size < KTX2_DFD_BLOCK_BYTES ||
        block_size > length - 4) {
        error = "the data format descriptor is not one basic block of version " +
                std::to_string(KTX2_DFD_VERSION) + " filling its " + byte_count(length);
        return false;
    }
    const uint32_t colours = read_word(d + 12);
    file.colour_model = static_cast<int32_t>(colours & 0xFF);
    file.primaries = static_cast<int32_t>(colours >> 8 & 0xFF);
    file.transfer = static_cast<int32_t>(colours >> 16 & 0xFF);
    const Ktx2Layout* layout = ktx2_layout(file.vk_format);
    if (file.colour_model != layout->colour_model) {
        error = "the data format descriptor's colour model " + std::to_string(file.colour_model) +
                " is not " + layout->vk_name + "'s " + std::to_string(layout->colour_model);
        return false;
    }
    return true;
}

// The key/value entries: each its length, key and value, padded to 4
// bytes. KTXwriter's value is kept.
bool read_key_values(TexFile& file, const uint8_t* b, std::string& error) {
    const int64_t size = static_cast<int64_t>(file.bytes.size());
    const uint32_t offset = read_word(b + 56), length = read_word(b + 60);
    if (!inside(offset, length, size)) {
        error = "the key/value data (" + byte_count(length) + " at " + std::to_string(offset) +
                ") does not fit in the file";
        return false;
    }
    const uint8_t* p = file.bytes.data() + offset;
    uint64_t at = 0;
    while (at + 4 <= length) {
        const uint32_t entry = read_word(p + at);
        if (entry > length - at - 4) {
            error = "the key/value data is cut: an entry of " + byte_count(entry) + " at " +
                    std::to_string(offset + at) + " passes its end";
            return false;
        }
        const char* text = reinterpret_cast<const char*>(p + at + 4);
        const size_t key = strnlen(text, entry);
        if (key + 1 < entry && std::strcmp(text, KTX2_WRITER_KEY) == 0)
            file.writer.assign(text + key + 1, strnlen(text + key + 1, entry - key - 1));
        at += (uint64_t{entry} + 4 + 3) / 4 * 4;
    }
    const uint64_t sgd_offset = read_u64(b + 64), sgd_length = read_u64(b + 72);
    if (!inside(sgd_offset, sgd_length, size)) {
        error = "the supercompression data does not fit in the file";
        return false;
    }
    return true;
}

}  // namespace

bool parse_ktx2_file(TexFile& file, std::string& error) {
    const int64_t size = static_cast<int64_t>(file.bytes.size());
    file.kind = TexFileKind::ktx2;
    if (size < KTX2_HEADER_BYTES) {
        error = "short file: " + byte_count(size) + ", the KTX2 header alone has " +
                std::to_string(KTX2_HEADER_BYTES);
        return false;
    }
    const uint8_t* b = file.bytes.data();
    if (std::memcmp(b, KTX2_IDENTIFIER, sizeof(KTX2_IDENTIFIER)) != 0) {
        error = "bad KTX2 identifier: its first four bytes are a KTX2 file's, the other eight not";
        return false;
    }
    if (!check_header(file, b, error)) return false;
    const int32_t count = file.header_levels > 0 ? file.header_levels : 1;
    const int64_t index_end = KTX2_HEADER_BYTES + KTX2_LEVEL_ENTRY_BYTES * count;
    if (size < index_end) {
        error = "short file: " + byte_count(size) + ", the header and the index of " +
                std::to_string(count) + " levels have " + std::to_string(index_end);
        return false;
    }
    if (!read_descriptor(file, b, error) || !read_key_values(file, b, error)) return false;

    const Ktx2Layout& layout = *ktx2_layout(file.vk_format);
    // The levels join the record only when every one of them passed.
    std::vector<TexLevel> levels;
    int64_t end = index_end;
    for (int32_t k = 0; k < count; ++k) {
        const uint8_t* entry = b + KTX2_HEADER_BYTES + KTX2_LEVEL_ENTRY_BYTES * k;
        const uint64_t offset = read_u64(entry), length = read_u64(entry + 8);
        const uint64_t full = read_u64(entry + 16);
        TexLevel level;
        level.index = k;
        level.width = file.header_width >> k > 0 ? file.header_width >> k : 1;
        level.height = file.header_height >> k > 0 ? file.header_height >> k : 1;
        const int64_t want = int64_t{(level.width + layout.block_width - 1) / layout.block_width} *
                             ((level.height + layout.block_height - 1) / layout.block_height) *
                             layout.block_bytes;
        const std::string which = "level " + std::to_string(k) + " (" +
                                  std::to_string(level.width) + " x " +
                                  std::to_string(level.height) + ")";
        if (length != static_cast<uint64_t>(want) || full != length) {
            error = which + " is said to hold " + byte_count(static_cast<int64_t>(length)) + " (" +
                    std::to_string(full) + " uncompressed), a " + layout.vk_name +
                    " level of that size has " + byte_count(want);
            return false;
        }
        if (offset < static_cast<uint64_t>(index_end) || !inside(offset, length, size)) {
            error = which + " at " + std::to_string(offset) + " lies outside the file's " +
                    byte_count(size - index_end) + " after its index";
            return false;
        }
        level.offset = static_cast<int64_t>(offset);
        level.size = want;
        if (level.offset + level.size > end) end = level.offset + level.size;
        levels.push_back(level);
    }
    if (end != size) {
        error = "long file: the levels end at " + std::to_string(end) + ", the file holds " +
                byte_count(size);
        return false;
    }
    file.levels = std::move(levels);
    return true;
}
