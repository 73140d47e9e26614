// Parts of a run: what --part asks for, what the scheduler says, and which
// rows of tiles each part writes.
#include "tool/parts.h"

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

RowRange part_rows(const TileGrid& grid, int32_t index, int32_t count) {
    const int32_t rows = grid.cols > 0 && grid.rows > 0 ? grid.rows : 0;
    if (rows == 0 || count < 1 || index < 0 || index >= count) return {rows, rows};
    if (count >= rows) return index < rows ? RowRange{index, index + 1} : RowRange{rows, rows};
    std::vector<int64_t> before(static_cast<size_t>(rows) + 1, 0);  // work of the rows above r
    for (int32_t r = 0; r < rows; ++r) before[r + 1] = before[r] + row_work(grid, r);
    // Products in 128 bits: a grid's work times the part count need not fit
    // 64.
    const __int128 total = before[rows];
    int32_t first = 0;
    int32_t nearest = 0;
    for (int32_t k = 1; k <= count; ++k) {
        int32_t end = rows;
        if (k < count) {
            // The boundary nearest to k/count of the work; on a tie the part
            // ends higher up.
            const __int128 target = total * k;
            while (nearest < rows && __int128{before[nearest + 1]} * count <= target) ++nearest;
            end = nearest;
            if (nearest < rows) {
                const __int128 below = target - __int128{before[nearest]} * count;
                const __int128 above = __int128{before[nearest + 1]} * count - target;
                if (above < below) end = nearest + 1;
            }
            // At least one row for this part and each one after it.
            if (end < first + 1) end = first + 1;
            if (end > rows - (count - k)) end = rows - (count - k);
        }
        if (k - 1 == index) return {first, end};
        first = end;
    }
    return {rows, rows};
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
