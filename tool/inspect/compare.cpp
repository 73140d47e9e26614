// The comparison of every DXT1 tile file with its 24-bit twin, level by
// level over R, G and B: RMSE in 8-bit steps and PSNR = 10 log10(255^2 / MSE)
// (infinite when the two agree exactly). Per level the whole run's figures
// and the worst tile; with --json every tile's as well.
#include <cmath>
#include <filesystem>
#include <map>

#include "inspect/inspect.h"
#include "tool/tiletool.h"

namespace {

// The figures are those of level_error, which the viewer shares.
using Error = LevelError;

struct TileLevel {
    int32_t level, width, height;
    Error error;
};

struct TileResult {
    std::string file, twin;
    std::vector<TileLevel> levels;
    // The DXT1 file holds no level while its twin does: the tile sides are
    // no powers of two, so every tile of the grid is alike and is reported
    // once for the grid, not per tile.
    bool no_block_levels = false;
};

struct LevelSummary {
    int32_t tiles = 0;
    Error total;
    std::string worst;
    Error worst_error;
};

std::string db(double psnr) {
    if (!std::isfinite(psnr)) return "inf";
    char t[32];
    std::snprintf(t, sizeof(t), "%.2f", psnr);
    return t;
}

// Compares one tile; false with a reason when it cannot be compared.
bool compare_tile(const TileRun& run, int32_t col, int32_t row, TileResult& result,
                  std::string& error) {
    result.twin = run.path(col, row, false);
    result.file = run.path(col, row, true);
    TexFile rgb, blocks;
    if (!read_tex_file(result.twin, rgb, error)) {
        error = result.twin + ": " + error;
        return false;
    }
    if (!std::filesystem::exists(result.file)) {
        error = result.file + ": missing";
        return false;
    }
    if (!read_tex_file(result.file, blocks, error)) {
        error = result.file + ": " + error;
        return false;
    }
    if (rgb.tile_code != TILE_CODE_RGB || blocks.tile_code != TILE_CODE_BLOCKS) {
        error = result.file + ": not a DXT1 tile file beside a 24-bit one";
        return false;
    }
    if (blocks.levels.empty()) {
        result.no_block_levels = !rgb.levels.empty();
        error = result.file + ": no levels stored";
        return false;
    }
    if (blocks.levels.size() != rgb.levels.size()) {
        error = result.file + ": " + std::to_string(blocks.levels.size()) + " levels, its twin " +
                std::to_string(rgb.levels.size());
        return false;
    }
    const int32_t skip = run.first_level[row];
    for (size_t k = 0; k < rgb.levels.size(); ++k) {
        TexImage a, b;
        if (!decode_tex_level(rgb, k, a, error) || !decode_tex_level(blocks, k, b, error))
            return false;
        if (a.width != b.width || a.height != b.height) {
            error = result.file + ": level sizes differ from its twin's";
            return false;
        }
        result.levels.push_back(
            {skip + static_cast<int32_t>(k), a.width, a.height, level_error(a, b)});
    }
    return true;
}

}  // namespace

int run_compare(const std::string& base, bool json, FILE* out, FILE* err) {
    TileRun run;
    std::string error;
    if (!open_tile_run(base, run, err)) return INSPECT_BAD_FILE;
    std::vector<TileResult> tiles;
    // Why a tile was not compared: its files fail, its DXT1 file holds no
    // level (the whole grid's, named once), or its run ended before it.
    enum class Why { failed, no_block_levels, missing };
    struct Skipped {
        std::string file, reason;
        Why why;
    };
    std::vector<Skipped> skipped;
    std::map<int32_t, LevelSummary> levels;
    size_t without_levels = 0;
    for (int32_t row = 0; row < run.rows; ++row)
        for (int32_t col = 0; col < run.cols; ++col) {
            if (!run.has(col, row)) {
                skipped.push_back({run.path(col, row, true), "missing", Why::missing});
                continue;
            }
            TileResult t;
            if (!compare_tile(run, col, row, t, error)) {
                skipped.push_back({run.path(col, row, true), error,
                                   t.no_block_levels ? Why::no_block_levels : Why::failed});
                if (t.no_block_levels)
                    ++without_levels;
                else
                    std::fprintf(err, "razivavu-inspect: %s\n", error.c_str());
                continue;
            }
            for (const TileLevel& l : t.levels) {
                LevelSummary& s = levels[l.level];
                ++s.tiles;
                s.total.sse += l.error.sse;
                s.total.samples += l.error.samples;
                if (s.worst.empty() || l.error.mse() > s.worst_error.mse()) {
                    s.worst = t.file;
                    s.worst_error = l.error;
                }
            }
            tiles.push_back(t);
        }
    if (json) {
        std::string j = "{\"base\":" + json_string(base) + ",\"cols\":" + std::to_string(run.cols) +
                        ",\"rows\":" + std::to_string(run.rows) + ",\"levels\":[";
        bool first = true;
        for (const auto& [level, s] : levels) {
            j += std::string(first ? "" : ",") + "{\"level\":" + std::to_string(level) +
                 ",\"tiles\":" + std::to_string(s.tiles) +
                 ",\"rmse\":" + json_number(s.total.rmse()) +
                 ",\"psnr\":" + json_number(s.total.psnr()) +
                 ",\"worst\":{\"file\":" + json_string(s.worst) +
                 ",\"rmse\":" + json_number(s.worst_error.rmse()) +
                 ",\"psnr\":" + json_number(s.worst_error.psnr()) + "}}";
            first = false;
        }
        j += "],\"tiles\":[";
        for (size_t i = 0; i < tiles.size(); ++i) {
            j += std::string(i ? "," : "") + "{\"file\":" + json_string(tiles[i].file) +
                 ",\"twin\":" + json_string(tiles[i].twin) + ",\"levels\":[";
            for (size_t k = 0; k < tiles[i].levels.size(); ++k) {
                const TileLevel& l = tiles[i].levels[k];
                j += std::string(k ? "," : "") + "{\"level\":" + std::to_string(l.level) +
                     ",\"width\":" + std::to_string(l.width) +
                     ",\"height\":" + std::to_string(l.height) +
                     ",\"rmse\":" + json_number(l.error.rmse()) +
                     ",\"psnr\":" + json_number(l.error.psnr()) + "}";
            }
            j += "]}";
        }
        j += "],\"skipped\":[";
        for (size_t i = 0; i < skipped.size(); ++i)
            j += std::string(i ? "," : "") + "{\"file\":" + json_string(skipped[i].file) +
                 ",\"reason\":" + json_string(skipped[i].reason) + "}";
        std::fprintf(out, "%s]}\n", j.c_str());
    } else {
        std::fprintf(out, "%s: %d x %d tiles, %zu compared\n", base.c_str(), run.cols, run.rows,
                     tiles.size());
        for (const auto& [level, s] : levels)
            std::fprintf(out,
                         "level %d: %d tiles, RMSE %.3f, PSNR %s dB; worst %s: RMSE %.3f, PSNR "
                         "%s dB\n",
                         level, s.tiles, s.total.rmse(), db(s.total.psnr()).c_str(),
                         s.worst.c_str(), s.worst_error.rmse(), db(s.worst_error.psnr()).c_str());
        for (const Skipped& s : skipped)
            if (s.why == Why::failed) std::fprintf(out, "not compared: %s\n", s.reason.c_str());
        if (run.missing() > 0)
            std::fprintf(out, "missing: %d tiles (the run ended early)\n", run.missing());
    }
    if (without_levels > 0)
        std::fprintf(err,
                     "razivavu-inspect: the DXT1 files of %zu tiles of %s hold no levels: DXT1 "
                     "needs tile sides that are powers of two, so there is nothing to compare\n",
                     without_levels, base.c_str());
    // A tile that could not be compared (damaged, or no memory to read it)
    // leaves the comparison incomplete.
    if (skipped.size() > without_levels)
        std::fprintf(err, "razivavu-inspect: %zu tiles of %s not compared\n",
                     skipped.size() - without_levels, base.c_str());
    return tiles.empty() || !skipped.empty() ? INSPECT_BAD_FILE : INSPECT_OK;
}
