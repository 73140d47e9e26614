// The manifest as JSON text, and back. One tile per line: a grid of
// thousands of tiles stays readable and a diff of two runs shows the tiles
// that differ.
#include <cinttypes>
#include <cstdio>

#include "gridfile/gridfile.h"
#include "gridfile/json_value.h"

namespace {

std::string number(int64_t v) { return std::to_string(v); }

std::string file_json(const ManifestFile& f) {
    return "{\"name\": " + json_quote(f.name) + ", \"format\": " + json_quote(f.format) +
           ", \"container\": " + json_quote(f.container) + ", \"bytes\": " + number(f.bytes) +
           ", \"xxh3\": \"" + hash_text(f.hash) + "\"}";
}

}  // namespace

std::string hash_text(uint64_t hash) {
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, hash);
    return text;
}

std::string manifest_to_json(const GridManifest& m) {
    const PictureIdentity& p = m.picture;
    const GridShape& g = m.grid;
    const GridOptions& o = m.options;
    std::string s = "{\n";
    s += "  \"format\": " + json_quote(GRID_MANIFEST_FORMAT) + ",\n";
    s += "  \"version\": " + number(GRID_MANIFEST_VERSION) + ",\n";
    s += "  \"tool_version\": " + json_quote(m.tool_version) + ",\n";
    s += "  \"picture\": {\"name\": " + json_quote(p.name) + ", \"kind\": " + json_quote(p.kind) +
         ", \"width\": " + number(p.width) + ", \"height\": " + number(p.height) +
         ", \"bytes\": " + number(p.bytes) + ", \"head_xxh3\": \"" + hash_text(p.head_hash) +
         "\", \"tail_xxh3\": \"" + hash_text(p.tail_hash) + "\"},\n";
    s += "  \"grid\": {\"tile_width\": " + number(g.tile_width) +
         ", \"tile_height\": " + number(g.tile_height) + ", \"levels\": " + number(g.level_count) +
         ", \"cols\": " + number(g.cols) + ", \"rows\": " + number(g.rows) +
         ", \"separated_names\": " + (g.separated_names ? "true" : "false") + "},\n";
    s += "  \"options\": {\"edges\": " + json_quote(o.edges) +
         ", \"full_rows\": " + (o.full_rows ? "true" : "false") +
         ", \"quality\": " + json_quote(o.quality) + ", \"decoder\": " + json_quote(o.decoder) +
         ", \"metric\": " + json_quote(o.metric) +
         ", \"tile_format\": " + json_quote(o.tile_format) + "},\n";
    s += "  \"first_level\": [";
    for (size_t i = 0; i < m.first_level.size(); ++i)
        s += (i ? ", " : "") + number(m.first_level[i]);
    s += "],\n";
    s += "  \"part\": {\"index\": " + number(m.part_index) +
         ", \"count\": " + number(m.part_count) + ", \"first_row\": " + number(m.first_row) +
         ", \"end_row\": " + number(m.end_row) + "},\n";
    if (m.damaged_from_row < 0)
        s += "  \"damage\": null,\n";
    else
        s += "  \"damage\": {\"first_row\": " + number(m.damaged_from_row) +
             ", \"reason\": " + json_quote(m.damage) + "},\n";
    s += "  \"tiles\": [";
    for (size_t i = 0; i < m.tiles.size(); ++i) {
        const ManifestTile& t = m.tiles[i];
        s += i ? ",\n    " : "\n    ";
        s += "{\"col\": " + number(t.col) + ", \"row\": " + number(t.row) + ", \"files\": [";
        for (size_t k = 0; k < t.files.size(); ++k) s += (k ? ", " : "") + file_json(t.files[k]);
        s += "]}";
    }
    s += m.tiles.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return s;
}

namespace {

// Reads the members of one object, each by its kind, remembering the first
// thing that is wrong.
struct Fields {
    const JsonValue& object;
    const char* where;
    std::string& error;

    const JsonValue* get(const char* name, JsonValue::Kind kind) {
        if (!error.empty()) return nullptr;
        const auto it = object.members.find(name);
        if (it == object.members.end() || it->second.kind != kind) {
            error = std::string(where) + "." + name + " is missing or of the wrong kind";
            return nullptr;
        }
        return &it->second;
    }
    bool whole(const char* name, int64_t low, int64_t high, int64_t& out) {
        const JsonValue* v = get(name, JsonValue::Kind::number);
        if (!v) return false;
        if (v->number < low || v->number > high) {
            error = std::string(where) + "." + name + " = " + std::to_string(v->number) +
                    " is outside " + std::to_string(low) + " .. " + std::to_string(high);
            return false;
        }
        out = v->number;
        return true;
    }
    bool whole32(const char* name, int64_t low, int64_t high, int32_t& out) {
        int64_t v = 0;
        if (!whole(name, low, high, v)) return false;
        out = static_cast<int32_t>(v);
        return true;
    }
    bool text(const char* name, std::string& out) {
        const JsonValue* v = get(name, JsonValue::Kind::string);
        if (v) out = v->text;
        return v != nullptr;
    }
    bool choice(const char* name, std::initializer_list<const char*> allowed, std::string& out) {
        if (!text(name, out)) return false;
        for (const char* a : allowed)
            if (out == a) return true;
        error =
            std::string(where) + "." + name + " = \"" + out + "\" is not a value razivavu writes";
        return false;
    }
    bool flag(const char* name, bool& out) {
        const JsonValue* v = get(name, JsonValue::Kind::boolean);
        if (v) out = v->boolean;
        return v != nullptr;
    }
    bool hash(const char* name, uint64_t& out) {
        std::string t;
        if (!text(name, t)) return false;
        bool hex = t.size() == 16;
        out = 0;
        for (const char c : t) {
            out <<= 4;
            if (c >= '0' && c <= '9')
                out |= static_cast<uint64_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                out |= static_cast<uint64_t>(c - 'a' + 10);
            else
                hex = false;
        }
        if (!hex) error = std::string(where) + "." + name + " is not 16 hex digits";
        return hex;
    }
    const JsonValue* object_member(const char* name) { return get(name, JsonValue::Kind::object); }
};

int32_t chain_levels(int32_t w, int32_t h) {
    uint32_t m = static_cast<uint32_t>(w > h ? w : h);
    int32_t n = 1;
    while (m > 1) m >>= 1, ++n;
    return n;
}

// A tile file's name beside the manifest: a plain name, never a path that
// leads elsewhere.
bool plain_file_name(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

constexpr int64_t MAX_SIDE = INT32_MAX;
constexpr int64_t MAX_TILES = int64_t{1} << 28;

std::string read_tiles(const JsonValue& list, GridManifest& m) {
    int64_t last = -1;
    m.tiles.reserve(list.items.size());
    for (size_t i = 0; i < list.items.size(); ++i) {
        std::string error;
        const std::string where = "tiles[" + std::to_string(i) + "]";
        if (list.items[i].kind != JsonValue::Kind::object) return where + " is not an object";
        Fields f{list.items[i], where.c_str(), error};
        ManifestTile t;
        f.whole32("col", 0, m.grid.cols - 1, t.col);
        f.whole32("row", m.first_row, m.end_row - 1, t.row);
        const JsonValue* files = f.get("files", JsonValue::Kind::array);
        if (!error.empty()) return error;
        const int64_t place = int64_t{t.row} * m.grid.cols + t.col;
        if (place <= last) return where + " repeats a tile or breaks the row-by-row order";
        last = place;
        if (files->items.empty() || files->items.size() > 8) return where + ".files: 1 to 8 files";
        for (size_t k = 0; k < files->items.size(); ++k) {
            const std::string fw = where + ".files[" + std::to_string(k) + "]";
            if (files->items[k].kind != JsonValue::Kind::object) return fw + " is not an object";
            Fields ff{files->items[k], fw.c_str(), error};
            ManifestFile mf;
            ff.text("name", mf.name);
            ff.choice("format", {"rgb888", "dxt1", "bc7", "astc4x4", "astc6x6", "astc8x8"},
                      mf.format);
            ff.choice("container", {"vxt"}, mf.container);
            ff.whole("bytes", 0, INT64_MAX, mf.bytes);
            ff.hash("xxh3", mf.hash);
            if (!error.empty()) return error;
            if (!plain_file_name(mf.name)) return fw + ".name is not a plain file name";
            t.files.push_back(std::move(mf));
        }
        m.tiles.push_back(std::move(t));
    }
    return "";
}

}  // namespace

std::string manifest_from_json(const std::string& text, GridManifest& out) {
    out = GridManifest{};
    JsonValue root;
    const std::string bad = json_parse(text, root);
    if (!bad.empty()) return "not JSON: " + bad;
    if (root.kind != JsonValue::Kind::object) return "not a grid manifest (no object)";
    std::string error;
    Fields top{root, "manifest", error};
    std::string format;
    int64_t version = 0;
    if (top.text("format", format) && format != GRID_MANIFEST_FORMAT)
        return "not a grid manifest (format \"" + format + "\")";
    if (!top.whole("version", 1, INT32_MAX, version)) return error;
    if (version > GRID_MANIFEST_VERSION)
        return "a manifest of version " + std::to_string(version) +
               ", newer than this razivavu reads (" + std::to_string(GRID_MANIFEST_VERSION) + ")";
    GridManifest m;
    top.text("tool_version", m.tool_version);
    const JsonValue* picture = top.object_member("picture");
    const JsonValue* grid = top.object_member("grid");
    const JsonValue* options = top.object_member("options");
    const JsonValue* levels = top.get("first_level", JsonValue::Kind::array);
    const JsonValue* part = top.object_member("part");
    const JsonValue* tiles = top.get("tiles", JsonValue::Kind::array);
    if (!error.empty()) return error;

    Fields p{*picture, "picture", error};
    p.text("name", m.picture.name);
    p.choice("kind", {"bmp", "jpeg", "png", "tiff"}, m.picture.kind);
    p.whole32("width", 1, MAX_SIDE, m.picture.width);
    p.whole32("height", 1, MAX_SIDE, m.picture.height);
    p.whole("bytes", 1, INT64_MAX, m.picture.bytes);
    p.hash("head_xxh3", m.picture.head_hash);
    p.hash("tail_xxh3", m.picture.tail_hash);

    Fields g{*grid, "grid", error};
    g.whole32("tile_width", 1, 32767, m.grid.tile_width);
    g.whole32("tile_height", 1, 32767, m.grid.tile_height);
    g.whole32("levels", 1, 16, m.grid.level_count);
    g.whole32("cols", 0, MAX_SIDE, m.grid.cols);
    g.whole32("rows", 0, MAX_SIDE, m.grid.rows);
    g.flag("separated_names", m.grid.separated_names);

    Fields o{*options, "options", error};
    o.choice("edges", {"drop", "pad"}, m.options.edges);
    o.flag("full_rows", m.options.full_rows);
    o.choice("quality", {"quick", "fast", "normal", "high", "best"}, m.options.quality);
    o.choice("decoder", {"nearest", "exact", "truncate"}, m.options.decoder);
    o.choice("metric", {"perceptual", "uniform"}, m.options.metric);
    // Manifests from before --tile-format have no such field: their block
    // files are dxt1.
    if (options->members.count("tile_format"))
        o.choice("tile_format", {"dxt1", "bc7", "astc4x4", "astc6x6", "astc8x8"},
                 m.options.tile_format);
    if (!error.empty()) return error;

    // The grid must be the one the picture, tile size and edges make, so
    // that nothing downstream trusts a size the picture does not have.
    const bool pad = m.options.edges == "pad";
    const auto tiles_across = [pad](int64_t side, int64_t tile) {
        return pad ? (side + tile - 1) / tile : side / tile;
    };
    if (m.grid.level_count != chain_levels(m.grid.tile_width, m.grid.tile_height))
        return "grid.levels does not match the tile size";
    if (m.grid.cols != tiles_across(m.picture.width, m.grid.tile_width) ||
        m.grid.rows != tiles_across(m.picture.height, m.grid.tile_height))
        return "grid.cols and grid.rows are not the grid of the picture and tile size";
    if (int64_t{m.grid.cols} * m.grid.rows > MAX_TILES) return "the grid has too many tiles";
    if (static_cast<int64_t>(levels->items.size()) != m.grid.rows)
        return "first_level does not hold one entry per row";
    for (const JsonValue& v : levels->items) {
        if (v.kind != JsonValue::Kind::number || v.number < 0 || v.number > 2 ||
            v.number >= m.grid.level_count)
            return "first_level holds a level no row starts at";
        m.first_level.push_back(static_cast<int32_t>(v.number));
    }

    Fields pt{*part, "part", error};
    pt.whole32("count", 1, INT32_MAX, m.part_count);
    pt.whole32("index", 0, m.part_count - 1, m.part_index);
    pt.whole32("first_row", 0, m.grid.rows, m.first_row);
    pt.whole32("end_row", m.first_row, m.grid.rows, m.end_row);
    if (!error.empty()) return error;

    const auto damage = root.members.find("damage");
    if (damage == root.members.end()) return "manifest.damage is missing";
    if (damage->second.kind == JsonValue::Kind::object) {
        Fields d{damage->second, "damage", error};
        d.whole32("first_row", 0, m.grid.rows, m.damaged_from_row);
        d.text("reason", m.damage);
        if (!error.empty()) return error;
    } else if (damage->second.kind != JsonValue::Kind::null) {
        return "manifest.damage is neither null nor an object";
    }
    const std::string bad_tiles = read_tiles(*tiles, m);
    if (!bad_tiles.empty()) return bad_tiles;
    out = std::move(m);
    return "";
}
