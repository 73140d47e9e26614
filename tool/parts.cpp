// Parts of a run: what --part asks for, what the scheduler says, and which
// rows of tiles each part writes.
#include "tool/parts.h"

#include <algorithm>
#include <cstring>

namespace {

// A whole number 0 .. INT32_MAX from the environment; false when it is not
// set or holds anything else.
bool environment_count(EnvironmentLookup lookup, const char* name, int32_t& out) {
    const char* text = lookup(name);
    return text && parse_whole_number(text, out) && out >= 0;
}

std::string scheduler_value(const char* name, EnvironmentLookup lookup) {
    const char* text = lookup(name);
    return std::string(name) + "=" + (text ? "\"" + std::string(text) + "\"" : "(not set)");
}

}  // namespace

std::string parse_part(const char* text, PartRequest& out) {
    PartRequest part;
    part.given = true;
    if (text && std::strcmp(text, "auto") == 0) {
        part.from_scheduler = true;
        out = part;
        return "";
    }
    const char* slash = text ? std::strchr(text, '/') : nullptr;
    if (!slash) return "--part needs K/N (0 <= K < N) or auto";
    const std::string k(text, slash);
    if (!parse_whole_number(k.c_str(), part.index) || !parse_whole_number(slash + 1, part.count) ||
        part.count < 1 || part.index < 0 || part.index >= part.count)
        return std::string("--part ") + text + " is not K/N with 0 <= K < N";
    out = part;
    return "";
}

std::string part_from_scheduler(EnvironmentLookup lookup, PartRequest& part) {
    int32_t index = 0, count = 0, first = 0, step = 1;
    std::string given;
    if (lookup("SLURM_ARRAY_TASK_ID")) {
        given = scheduler_value("SLURM_ARRAY_TASK_ID", lookup) + ", " +
                scheduler_value("SLURM_ARRAY_TASK_MIN", lookup) + ", " +
                scheduler_value("SLURM_ARRAY_TASK_COUNT", lookup);
        const bool stepped = lookup("SLURM_ARRAY_TASK_STEP") != nullptr;
        bool read = environment_count(lookup, "SLURM_ARRAY_TASK_ID", index) &&
                    environment_count(lookup, "SLURM_ARRAY_TASK_MIN", first) &&
                    environment_count(lookup, "SLURM_ARRAY_TASK_COUNT", count) &&
                    (!stepped || environment_count(lookup, "SLURM_ARRAY_TASK_STEP", step));
        // Task ids first, first + step, ... make parts 0, 1, ...; an array
        // with gaps has ids that fit no part, and is refused below.
        read = read && step > 0 && index >= first && (index - first) % step == 0;
        index = read ? (index - first) / step : -1;
        if (!read || count < 1 || index >= count)
            return "--part auto: the Slurm array task does not give a part (" + given +
                   "); its ids must run from SLURM_ARRAY_TASK_MIN without gaps";
    } else if (lookup("JOB_COMPLETION_INDEX")) {
        given = scheduler_value("JOB_COMPLETION_INDEX", lookup) + ", " +
                scheduler_value("RAZIVAVU_PARTS", lookup);
        if (!environment_count(lookup, "JOB_COMPLETION_INDEX", index) ||
            !environment_count(lookup, "RAZIVAVU_PARTS", count) || count < 1 || index >= count)
            return "--part auto: the Kubernetes Indexed Job does not give a part (" + given +
                   "); set RAZIVAVU_PARTS to the job's completions";
    } else {
        return "--part auto: no scheduler array task found (SLURM_ARRAY_TASK_ID, or "
               "JOB_COMPLETION_INDEX with RAZIVAVU_PARTS); give --part K/N instead";
    }
    part.index = index;
    part.count = count;
    part.from_scheduler = false;
    return "";
}

int64_t row_work(const TileGrid& grid, int32_t row) {
    return tile_file_bytes(grid, row, false) + tile_file_bytes(grid, row, true);
}

namespace {

// The end of each part when no part may hold more than `bound` of work:
// every part takes as many rows as fit, but leaves one row for each part
// after it. `before[r]` is the work of the rows above row r. False when the
// rows do not fit in `count` parts.
bool pack_rows(const std::vector<int64_t>& before, int64_t bound, int32_t count,
               std::vector<int32_t>* ends) {
    const int32_t rows = static_cast<int32_t>(before.size()) - 1;
    int32_t first = 0;
    for (int32_t k = 0; k < count; ++k) {
        // The last row r with before[r] - before[first] <= bound.
        const auto fits =
            std::upper_bound(before.begin() + first + 1, before.end(), before[first] + bound);
        int32_t end = static_cast<int32_t>(fits - before.begin()) - 1;
        if (end > rows - (count - 1 - k)) end = rows - (count - 1 - k);
        if (end <= first) return false;  // one row alone is above the bound
        if (ends) (*ends)[k] = end;
        first = end;
    }
    return first == rows;
}

}  // namespace

RowRange part_rows(const TileGrid& grid, int32_t index, int32_t count) {
    const int32_t rows = grid.cols > 0 && grid.rows > 0 ? grid.rows : 0;
    if (rows == 0 || count < 1 || index < 0 || index >= count) return {rows, rows};
    if (count >= rows) return index < rows ? RowRange{index, index + 1} : RowRange{rows, rows};
    std::vector<int64_t> before(static_cast<size_t>(rows) + 1, 0);  // work of the rows above r
    int64_t heaviest = 0;
    for (int32_t r = 0; r < rows; ++r) {
        const int64_t work = row_work(grid, r);
        before[r + 1] = before[r] + work;
        if (work > heaviest) heaviest = work;
    }
    // The smallest bound on a part's work that whole rows allow: a part
    // never holds less than its share, nor less than the heaviest row, and
    // the whole grid always fits in one part.
    const int64_t total = before[rows];
    int64_t low = std::max(heaviest, total / count);
    int64_t high = total;
    while (low < high) {
        const int64_t mid = low + (high - low) / 2;
        if (pack_rows(before, mid, count, nullptr))
            high = mid;
        else
            low = mid + 1;
    }
    std::vector<int32_t> ends(static_cast<size_t>(count), rows);
    pack_rows(before, low, count, &ends);
    return {index == 0 ? 0 : ends[index - 1], ends[index]};
}

RowRange rows_of_run(const TileGrid& grid, const PartRequest& part) {
    if (!part.given) return {0, grid.rows > 0 ? grid.rows : 0};
    return part_rows(grid, part.index, part.count);
}

bool speaks_for_picture(const TileGrid& grid, const PartRequest& part) {
    if (!part.given) return true;
    const RowRange rows = part_rows(grid, part.index, part.count);
    if (rows.count() == 0) return part.index == 0 && (grid.rows < 1 || grid.cols < 1);
    return rows.end == grid.rows;
}

int64_t job_output_bytes(const TileGrid& grid, const TileJob& job, int64_t unit) {
    if (grid.cols < 1 || job.rows.count() < 1) return 0;
    if (unit < 1) unit = 1;
    int64_t total = 0;
    for (int32_t row = job.rows.first; row < job.rows.end; ++row) {
        int64_t tiles = grid.cols;
        const int64_t from = int64_t{row - job.rows.first} * grid.cols;
        for (int64_t item = from; item < from + grid.cols; ++item) tiles -= job.is_kept(item);
        for (bool block_file : {false, true}) {
            const int64_t bytes = tile_file_bytes(grid, row, block_file);
            total += (bytes + unit - 1) / unit * unit * tiles;
        }
    }
    return total;
}
