// razivavu-inspect --check with grid manifests: the grid is what the runs
// meant to write, not what happens to lie in the folder, so a missing last
// row or column, a part that never finished, a tile of another grid and a
// damaged picture are all seen.
//
// Each row of the grid is vouched for by the newest manifest that covers it
// (a part run again later, or a whole run after parts, supersedes what was
// there). Sizes and headers are always compared; hashes with --deep, which
// reads every byte.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "inspect/inspect.h"
#include "tool/parts.h"
#include "tool/tiletool.h"

namespace {

std::string folder_prefix(const std::string& base) {
    const size_t slash = base.rfind('/');
    return slash == std::string::npos ? "" : base.substr(0, slash + 1);
}

TileGrid tile_grid_of(const GridManifest& m) {
    TileGrid g;
    g.tile_width = m.grid.tile_width;
    g.tile_height = m.grid.tile_height;
    g.cols = m.grid.cols;
    g.rows = m.grid.rows;
    g.level_count = m.grid.level_count;
    g.full_rows = m.options.full_rows;
    const TextureFormatInfo* blocks = texture_format_find(m.options.tile_format.c_str());
    if (blocks) g.blocks = blocks->format;
    return g;
}

std::string rows_text(int32_t first, int32_t last) {
    return first == last ? "row " + std::to_string(first)
                         : "rows " + std::to_string(first) + " to " + std::to_string(last);
}

struct Tally {
    int64_t missing = 0;
    int64_t wrong = 0;
    int64_t rows_unfinished = 0;
    int64_t rows_damaged = 0;
    int64_t other_grids = 0;
    bool sound() const {
        return missing + wrong + rows_unfinished + rows_damaged + other_grids == 0;
    }
};

// One tile file against its manifest entry.
void check_file(const std::string& path, const ManifestFile& f, const TileGrid& grid, int32_t row,
                bool block_file, bool deep, Tally& tally, FILE* out) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        ++tally.missing;
        std::fprintf(out, "%s: missing\n", path.c_str());
        return;
    }
    if (!S_ISREG(st.st_mode) || st.st_size != f.bytes) {
        ++tally.wrong;
        std::fprintf(out, "%s: %lld bytes, the grid manifest says %lld\n", path.c_str(),
                     static_cast<long long>(S_ISREG(st.st_mode) ? st.st_size : -1),
                     static_cast<long long>(f.bytes));
        return;
    }
    if (!tile_file_complete(path, grid, row, block_file)) {
        ++tally.wrong;
        std::fprintf(out, "%s: another grid's tile (its header is not row %d's of this grid)\n",
                     path.c_str(), row);
        return;
    }
    if (!deep) return;
    uint64_t hash = 0;
    int64_t bytes = 0;
    if (!file_hash(path, hash, bytes) || hash != f.hash || bytes != f.bytes) {
        ++tally.wrong;
        std::fprintf(out, "%s: its bytes differ from what the grid manifest recorded (xxh3 %s)\n",
                     path.c_str(), hash_text(f.hash).c_str());
    }
}

// The manifests that agree with the newest one; the others are reported.
std::vector<const FoundManifest*> same_grid(const std::vector<FoundManifest>& found, Tally& tally,
                                            FILE* out) {
    const FoundManifest* newest = nullptr;
    for (const FoundManifest& f : found) {
        if (!f.error.empty()) {
            ++tally.other_grids;
            std::fprintf(out, "%s: not a grid manifest this razivavu reads: %s\n", f.path.c_str(),
                         f.error.c_str());
        } else if (!newest || f.modified_ns > newest->modified_ns) {
            newest = &f;
        }
    }
    std::vector<const FoundManifest*> kept;
    for (const FoundManifest& f : found) {
        if (!f.error.empty()) continue;
        const std::string differs =
            manifest_difference(f.manifest, newest->manifest, f.path, newest->path);
        if (differs.empty()) {
            kept.push_back(&f);
            continue;
        }
        ++tally.other_grids;
        std::fprintf(out, "%s: another grid's manifest (%s); the folder mixes two grids\n",
                     f.path.c_str(), differs.c_str());
    }
    return kept;
}

// Rows no manifest covers, named by the part that should have written them
// when the manifests say how the grid was split.
void report_unfinished(const std::string& base, const std::vector<const FoundManifest*>& govern,
                       const GridManifest& any, Tally& tally, FILE* out) {
    const TileGrid grid = tile_grid_of(any);
    int32_t count = 0;
    for (const FoundManifest* f : govern)
        if (f && f->manifest.part_count > 1) count = f->manifest.part_count;
    for (int32_t row = 0; row < grid.rows;) {
        if (govern[static_cast<size_t>(row)]) {
            ++row;
            continue;
        }
        int32_t end = row;
        while (end < grid.rows && !govern[static_cast<size_t>(end)]) ++end;
        tally.rows_unfinished += end - row;
        std::string whose;
        for (int32_t k = 0; k < count; ++k) {
            const RowRange r = part_rows(grid, k, count);
            if (r.count() > 0 && r.first < end && row < r.end)
                whose += (whose.empty() ? " (part " : ", ") + std::to_string(k) + "/" +
                         std::to_string(count);
        }
        if (!whose.empty()) whose += ")";
        std::fprintf(out, "%s: %s of tiles never finished%s: no grid manifest speaks for them\n",
                     base.c_str(), rows_text(row, end - 1).c_str(), whose.c_str());
        row = end;
    }
}

// Each place of the grid's tile as its row's manifest lists it (null where it
// lists none), in one pass over every manifest's tiles.
std::vector<const ManifestTile*> governed_tiles(const std::vector<const FoundManifest*>& usable,
                                                const std::vector<const FoundManifest*>& govern,
                                                const GridShape& grid) {
    std::vector<const ManifestTile*> at(static_cast<size_t>(int64_t{grid.cols} * grid.rows),
                                        nullptr);
    for (const FoundManifest* f : usable)
        for (const ManifestTile& t : f->manifest.tiles)
            if (govern[static_cast<size_t>(t.row)] == f)
                at[static_cast<size_t>(int64_t{t.row} * grid.cols + t.col)] = &t;
    return at;
}

// The whole grid's manifest put together from its parts, so that a viewer
// or an engine finds every tile in one file.
void merge_parts(const std::string& base, const std::vector<const FoundManifest*>& govern,
                 const std::vector<const ManifestTile*>& tiles, const GridManifest& any,
                 FILE* out) {
    bool whole = !govern.empty();
    for (const FoundManifest* f : govern)
        whole = whole && f == govern.front() && f->manifest.part_count == 1;
    if (whole) return;
    GridManifest merged = any;
    merged.part_index = 0;
    merged.part_count = 1;
    merged.first_row = 0;
    merged.end_row = any.grid.rows;
    merged.damaged_from_row = -1;
    merged.damage.clear();
    merged.tiles.clear();
    for (const ManifestTile* t : tiles)
        if (t) merged.tiles.push_back(*t);
    const std::string path = manifest_name(base);
    const int unwritten = write_manifest(path, merged, false);
    if (unwritten == 0)
        std::fprintf(out, "%s: written from the parts' manifests\n", path.c_str());
    else
        std::fprintf(out, "%s: not written (%s); the parts' manifests still describe the grid\n",
                     path.c_str(), std::strerror(unwritten));
}

}  // namespace

int check_with_manifests(const std::string& base, const std::vector<FoundManifest>& found,
                         bool deep, FILE* out) {
    Tally tally;
    const std::vector<const FoundManifest*> usable = same_grid(found, tally, out);
    if (usable.empty()) {
        std::fprintf(out, "%s: incomplete: no grid manifest could be read\n", base.c_str());
        return INSPECT_BAD_FILE;
    }
    const GridManifest& any = usable.front()->manifest;
    const TileGrid grid = tile_grid_of(any);
    // Per row, the newest manifest that covers it.
    std::vector<const FoundManifest*> govern(static_cast<size_t>(grid.rows), nullptr);
    for (const FoundManifest* f : usable)
        for (int32_t row = f->manifest.first_row; row < f->manifest.end_row; ++row) {
            const FoundManifest*& g = govern[static_cast<size_t>(row)];
            if (!g || f->modified_ns > g->modified_ns) g = f;
        }
    report_unfinished(base, govern, any, tally, out);
    const std::vector<const ManifestTile*> tiles = governed_tiles(usable, govern, any.grid);

    const std::string folder = folder_prefix(base);
    std::map<const FoundManifest*, bool> damage_told;
    for (int32_t row = 0; row < grid.rows; ++row) {
        const FoundManifest* f = govern[static_cast<size_t>(row)];
        if (!f) continue;
        const GridManifest& m = f->manifest;
        if (m.damaged_from_row >= 0 && row >= m.damaged_from_row && !damage_told[f]) {
            damage_told[f] = true;
            const int32_t first = std::max(row, m.damaged_from_row);
            tally.rows_damaged += m.end_row - first;
            std::fprintf(out,
                         "%s: %s of tiles %s damaged: the picture's data there could not "
                         "be read (%s)\n",
                         f->path.c_str(), rows_text(first, m.end_row - 1).c_str(),
                         first == m.end_row - 1 ? "is" : "are", m.damage.c_str());
        }
        for (int32_t col = 0; col < grid.cols; ++col) {
            const ManifestTile* t = tiles[static_cast<size_t>(int64_t{row} * grid.cols + col)];
            if (!t) {
                // A damaged row's missing tiles are told by its line above.
                tally.missing += 2;
                if (m.damaged_from_row < 0 || row < m.damaged_from_row)
                    std::fprintf(out, "%s: tile %dx%d was never written\n", f->path.c_str(), col,
                                 row);
                continue;
            }
            for (size_t k = 0; k < t->files.size(); ++k)
                check_file(folder + t->files[k].name, t->files[k], grid, row,
                           t->files[k].format != "rgb888", deep, tally, out);
        }
    }
    // Damage below the last row of tiles is in no tile, but the grid was made
    // from a damaged picture all the same.
    for (const FoundManifest* f : usable)
        if (f->manifest.damaged_from_row >= grid.rows && f->manifest.end_row == grid.rows &&
            govern.size() > 0 && govern.back() == f) {
            ++tally.rows_damaged;
            std::fprintf(out, "%s: the picture is damaged below its last row of tiles (%s)\n",
                         f->path.c_str(), f->manifest.damage.c_str());
        }
    const int64_t files = int64_t{2} * grid.cols * grid.rows;
    if (tally.sound()) {
        std::fprintf(out,
                     "%s: complete: %d x %d tiles of %dx%d, %lld files, %s by the grid "
                     "manifest\n",
                     base.c_str(), grid.cols, grid.rows, grid.tile_width, grid.tile_height,
                     static_cast<long long>(files),
                     deep ? "sizes and hashes checked" : "sizes checked");
        if (grid.rows > 0) merge_parts(base, govern, tiles, any, out);
        return INSPECT_OK;
    }
    std::string what;
    const auto count = [&what](int64_t n, const std::string& words) {
        if (n > 0) what += (what.empty() ? "" : ", ") + std::to_string(n) + " " + words;
    };
    count(tally.missing, "of " + std::to_string(files) + " files missing");
    count(tally.wrong, "files wrong");
    count(tally.rows_unfinished, "rows never finished");
    count(tally.rows_damaged, "rows damaged");
    count(tally.other_grids, "manifests of another grid");
    std::fprintf(out, "%s: incomplete: a %d x %d grid of %dx%d tiles; %s\n", base.c_str(),
                 grid.cols, grid.rows, grid.tile_width, grid.tile_height, what.c_str());
    return INSPECT_BAD_FILE;
}
