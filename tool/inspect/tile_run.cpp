// The tile files of one razivavu run. Their plain names run column and row
// together ("pano110.vxt" is column 1 row 10 or column 11 row 0), so the grid
// is the one whose names are exactly the 24-bit files present; razivavu's
// own naming (tile_name) makes the candidates.
#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

#include "inspect/inspect.h"
#include "tool/tiletool.h"

namespace {

namespace fs = std::filesystem;

// The input name tile_name expects: the base and a four-character extension.
std::string input_name(const std::string& base) { return base + ".bmp"; }

bool all_digits(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// The middle parts ("<col><row>" or "<col>_<row>") of a grid's 24-bit files.
std::set<std::string> grid_middles(const TileRun& run, const std::string& stem) {
    std::set<std::string> names;
    for (int32_t r = 0; r < run.rows; ++r)
        for (int32_t c = 0; c < run.cols; ++c) {
            const std::string name = fs::path(run.path(c, r, false)).filename().string();
            names.insert(name.substr(stem.size(), name.size() - stem.size() - 4));
        }
    return names;
}

TileRun grid_of(const std::string& base, int64_t rows, int64_t cols) {
    TileRun run;
    run.base = base;
    run.rows = static_cast<int32_t>(rows);
    run.cols = static_cast<int32_t>(cols);
    run.separated = grid_names_collide(run.cols, run.rows);
    return run;
}

// Files that form no whole grid (a run that ended early): the smallest grid
// that holds them all, up to twice their number. False when none does or the
// search would be long.
bool smallest_grid_holding(const std::string& base, const std::string& stem,
                           const std::set<std::string>& found, TileRun& out) {
    const int64_t n = static_cast<int64_t>(found.size());
    if (n > 1024) return false;
    for (int64_t total = n + 1; total <= 2 * n; ++total)
        for (int64_t rows = 1; rows <= total; ++rows) {
            if (total % rows != 0) continue;
            const TileRun run = grid_of(base, rows, total / rows);
            const std::set<std::string> names = grid_middles(run, stem);
            if (!std::includes(names.begin(), names.end(), found.begin(), found.end())) continue;
            out = run;
            return true;
        }
    return false;
}

// The first level each row stores, from the first of its files that says
// so; -1 for rows without one.
std::vector<int32_t> stored_first_levels(const TileRun& run) {
    std::vector<int32_t> first(static_cast<size_t>(run.rows), -1);
    for (int32_t r = 0; r < run.rows; ++r)
        for (int32_t c = 0; c < run.cols && first[r] < 0; ++c) {
            TexFile file;
            std::string error;
            if (run.has(c, r) && read_tex_file(run.path(c, r, false), file, error) &&
                file.skip_levels >= 0)
                first[r] = file.skip_levels;
        }
    return first;
}

}  // namespace

std::string TileRun::path(int32_t col, int32_t row, bool block_file) const {
    return tile_name(input_name(base), col, row, block_file, separated);
}

bool find_tile_run(const std::string& base, TileRun& out, std::string& error) {
    const fs::path base_path(base);
    const fs::path dir = base_path.has_parent_path() ? base_path.parent_path() : fs::path(".");
    const std::string stem = base_path.filename().string();
    std::set<std::string> found;  // the middle parts: "<col><row>" or "<col>_<row>"
    // The folder is read with opendir: libstdc++'s directory_iterator
    // allocates inside a noexcept function, so without memory it would end
    // the process instead of throwing.
    DIR* folder = opendir(dir.c_str());
    if (!folder) {
        error = "cannot list the folder " + dir.string() + ": " + std::strerror(errno);
        return false;
    }
    struct FolderCloser {
        DIR* folder;
        ~FolderCloser() { closedir(folder); }
    } closer{folder};
    while (const struct dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.size() <= stem.size() + 4 || name.compare(0, stem.size(), stem) != 0) continue;
        if (name.compare(name.size() - 4, 4, TILE_EXTENSION) != 0) continue;
        const std::string middle = name.substr(stem.size(), name.size() - stem.size() - 4);
        const size_t bar = middle.find('_');
        if (all_digits(middle) || (bar != std::string::npos && all_digits(middle.substr(0, bar)) &&
                                   all_digits(middle.substr(bar + 1))))
            found.insert(middle);
    }
    if (found.empty()) {
        error = "no tile files " + base + "<col><row>.vxt";
        return false;
    }
    const int64_t n = static_cast<int64_t>(found.size());
    std::vector<TileRun> matches;
    for (int64_t rows = 1; rows <= n; ++rows) {
        if (n % rows != 0) continue;
        const TileRun run = grid_of(base, rows, n / rows);
        if (grid_middles(run, stem) == found) matches.push_back(run);
    }
    if (matches.size() > 1) {
        error = "the " + std::to_string(n) + " tile files " + base +
                "*.vxt form more than one possible grid";
        return false;
    }
    TileRun run;
    if (matches.size() == 1) {
        run = matches.front();
    } else if (!smallest_grid_holding(base, stem, found, run)) {
        error = "the " + std::to_string(n) + " tile files " + base + "*.vxt form no grid";
        return false;
    }
    run.present.assign(static_cast<size_t>(run.rows) * run.cols, 0);
    for (int32_t r = 0; r < run.rows; ++r)
        for (int32_t c = 0; c < run.cols; ++c) {
            const std::string name = fs::path(run.path(c, r, false)).filename().string();
            run.present[static_cast<size_t>(r) * run.cols + c] =
                found.count(name.substr(stem.size(), name.size() - stem.size() - 4)) ? 1 : 0;
        }
    std::vector<int32_t> first = stored_first_levels(run);
    // A last row stored from level 0 under a top row stored from level 1 is
    // a middle row: the run ended before its bottom row.
    if (run.rows >= 1 && first.front() == 1 && first.back() == 0) {
        run.rows += 1;
        run.present.resize(static_cast<size_t>(run.rows) * run.cols, 0);
        first.push_back(-1);
    }
    for (int32_t r = 0; r < run.rows; ++r)
        if (first[r] < 0) first[r] = skip_levels_for_row(r, run.rows);
    run.first_level = first;
    out = run;
    return true;
}

int32_t TileRun::missing() const {
    int32_t n = 0;
    for (const uint8_t p : present) n += p ? 0 : 1;
    return n;
}

bool open_tile_run(const std::string& base, TileRun& out, FILE* err) {
    std::string error;
    if (!find_tile_run(base, out, error)) {
        std::fprintf(err, "razivavu-inspect: %s\n", error.c_str());
        return false;
    }
    report_missing_tiles(out, err);
    return true;
}

void report_missing_tiles(const TileRun& run, FILE* err) {
    for (int32_t r = 0; r < run.rows; ++r) {
        int32_t there = 0;
        for (int32_t c = 0; c < run.cols; ++c) there += run.has(c, r) ? 1 : 0;
        if (there == 0) {
            std::fprintf(err, "razivavu-inspect: row %d of tiles (%s to %s): missing\n", r,
                         run.path(0, r, false).c_str(), run.path(run.cols - 1, r, false).c_str());
            continue;
        }
        for (int32_t c = 0; c < run.cols; ++c)
            if (!run.has(c, r))
                std::fprintf(err, "razivavu-inspect: %s: missing\n", run.path(c, r, false).c_str());
    }
}
