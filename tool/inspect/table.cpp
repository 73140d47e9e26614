// The header and level table of one file, as text and as JSON.
#include "containers/containers.h"
#include "inspect/inspect.h"

namespace {

const char* transfer_name(int32_t transfer) {
    if (transfer == KTX2_TRANSFER_LINEAR) return "linear";
    if (transfer == KTX2_TRANSFER_SRGB) return "sRGB";
    return "other";
}

const char* kind_name(TexFileKind kind) {
    if (kind == TexFileKind::tile) return "tile";
    return kind == TexFileKind::ktx2 ? "ktx2" : "stream";
}

std::string kind_line(const TexFile& f) {
    char text[256];
    if (f.kind == TexFileKind::tile) {
        std::snprintf(text, sizeof(text),
                      "tile file, code %d (%s levels%s), %d x %d, level count %d", f.tile_code,
                      tex_format_name(f.format), f.colours_exchanged ? ", bytes R,G,B" : "",
                      f.header_width, f.header_height, f.header_levels);
    } else if (f.kind == TexFileKind::ktx2) {
        const Ktx2Layout* layout = ktx2_layout(f.vk_format);
        std::snprintf(text, sizeof(text),
                      "KTX2 file, vkFormat %u %s (format %d %s%s), %d x %d, level count %d",
                      f.vk_format, layout ? layout->vk_name : "?", f.format,
                      tex_format_name(f.format), f.colours_exchanged ? ", bytes red first" : "",
                      f.header_width, f.header_height, f.header_levels);
    } else {
        std::snprintf(text, sizeof(text), "texture stream, format %d %s%s, %d x %d, mip count %d",
                      f.format, tex_format_name(f.format),
                      f.colours_exchanged ? " (bytes red first)" : "", f.header_width,
                      f.header_height, f.header_levels);
    }
    return text;
}

std::string stored_line(const TexFile& f) {
    std::string s = std::to_string(f.levels.size()) + " levels stored";
    if (f.kind == TexFileKind::tile) {
        if (f.skip_levels > 0)
            s += ", from level " + std::to_string(f.skip_levels);
        else if (f.skip_levels == 0)
            s += ", none dropped";
    } else if (f.kind == TexFileKind::stream) {
        s += f.faces == 6 ? ", 6 faces" : "";
        s += f.depth > 0 ? ", " + std::to_string(f.depth) + " slices" : "";
        s += f.palette_entries > 0 ? ", palette of " + std::to_string(f.palette_entries) : "";
    }
    return s + ", " + std::to_string(f.bytes.size()) + " bytes";
}

}  // namespace

void print_tex_table(const TexFile& f, FILE* out) {
    std::fprintf(out, "%s: %s\n  %s\n", f.name.c_str(), kind_line(f).c_str(),
                 stored_line(f).c_str());
    if (f.kind == TexFileKind::stream)
        std::fprintf(out, "  flags 0x%08X, caps 0x%08X 0x%08X, linear size %u\n", f.flags, f.caps1,
                     f.caps2, f.linear_size);
    if (f.kind == TexFileKind::ktx2)
        std::fprintf(out,
                     "  type size %u, colour model %d, primaries %d, transfer %d (%s), writer "
                     "\"%s\"\n",
                     f.type_size, f.colour_model, f.primaries, f.transfer,
                     transfer_name(f.transfer), f.writer.c_str());
    if (f.dx10)
        std::fprintf(out, "  DX10: format %u, resource %u, misc 0x%X, array %u, alpha mode %u\n",
                     f.dxgi_format, f.dx10_dimension, f.dx10_misc, f.dx10_array_size,
                     f.dx10_alpha_mode);
    if (!f.note.empty()) std::fprintf(out, "  note: %s\n", f.note.c_str());
    if (f.levels.empty()) return;
    std::fprintf(out, "  %4s %5s %6s %6s %6s %10s %10s\n", "face", "level", "width", "height",
                 "slices", "offset", "bytes");
    for (const TexLevel& l : f.levels)
        std::fprintf(out, "  %4d %5d %6d %6d %6d %10lld %10lld\n", l.face, l.index, l.width,
                     l.height, l.slices, static_cast<long long>(l.offset),
                     static_cast<long long>(l.size));
}

std::string tex_table_json(const TexFile& f) {
    std::string j = "{\"name\":" + json_string(f.name) +
                    ",\"ok\":true,\"kind\":" + json_string(kind_name(f.kind)) +
                    ",\"format\":" + std::to_string(f.format) +
                    ",\"format_name\":" + json_string(tex_format_name(f.format)) +
                    ",\"width\":" + std::to_string(f.header_width) +
                    ",\"height\":" + std::to_string(f.header_height) +
                    ",\"header_levels\":" + std::to_string(f.header_levels) +
                    ",\"bytes\":" + std::to_string(f.bytes.size());
    if (f.kind == TexFileKind::tile) {
        j += ",\"tile_code\":" + std::to_string(f.tile_code) +
             ",\"skip_levels\":" + (f.skip_levels >= 0 ? std::to_string(f.skip_levels) : "null");
    } else if (f.kind == TexFileKind::ktx2) {
        j += ",\"vk_format\":" + std::to_string(f.vk_format) +
             ",\"type_size\":" + std::to_string(f.type_size) +
             ",\"colour_model\":" + std::to_string(f.colour_model) +
             ",\"primaries\":" + std::to_string(f.primaries) +
             ",\"transfer\":" + std::to_string(f.transfer) + ",\"writer\":" + json_string(f.writer);
    } else {
        j += ",\"flags\":" + std::to_string(f.flags) + ",\"caps1\":" + std::to_string(f.caps1) +
             ",\"caps2\":" + std::to_string(f.caps2) +
             ",\"linear_size\":" + std::to_string(f.linear_size) +
             ",\"faces\":" + std::to_string(f.faces) + ",\"depth\":" + std::to_string(f.depth) +
             ",\"palette_entries\":" + std::to_string(f.palette_entries);
        if (f.dx10)
            j += ",\"dx10\":{\"format\":" + std::to_string(f.dxgi_format) +
                 ",\"resource\":" + std::to_string(f.dx10_dimension) +
                 ",\"misc\":" + std::to_string(f.dx10_misc) +
                 ",\"array_size\":" + std::to_string(f.dx10_array_size) +
                 ",\"alpha_mode\":" + std::to_string(f.dx10_alpha_mode) + "}";
    }
    if (f.kind != TexFileKind::tile && f.colours_exchanged) j += ",\"bytes_red_first\":true";
    if (!f.note.empty()) j += ",\"note\":" + json_string(f.note);
    j += ",\"levels\":[";
    for (size_t k = 0; k < f.levels.size(); ++k) {
        const TexLevel& l = f.levels[k];
        j += std::string(k ? "," : "") + "{\"face\":" + std::to_string(l.face) +
             ",\"level\":" + std::to_string(l.index) + ",\"width\":" + std::to_string(l.width) +
             ",\"height\":" + std::to_string(l.height) + ",\"slices\":" + std::to_string(l.slices) +
             ",\"offset\":" + std::to_string(l.offset) + ",\"bytes\":" + std::to_string(l.size) +
             "}";
    }
    return j + "]}";
}
