// The run of razivavu: usage -> checks -> load -> grid -> tiles -> summary ->
// wait.
//
// Every way the run can fail is found before the first tile file is written,
// except a failing write, which stops the run at that file.
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "imageio/imageio.h"
#include "normalmap/normalmap.h"
#include "texcomp/texcomp.h"
#include "tool/band_feed.h"
#include "tool/parts.h"
#include "tool/picture_input.h"
#include "tool/run_manifest.h"
#include "tool/tile_pool.h"
#include "tool/tiletool.h"
#include "vxsystem/vxsystem.h"
#include "workpool/workpool.h"

namespace {

void print_usage() {
    std::printf("welcome to razivavu\n\n");
    std::printf("usage:\n");
    std::printf("  razivavu file.bmp a b\n\n");
    std::printf("  w = width of input bmp in pixel\n");
    std::printf("  h = height of input bmp in pixel\n\n");
    std::printf("  if a>0 && b>0 then tile bmp into textures of size (a pixel)x(b pixel)\n");
    std::printf(
        "  if a<0 && b<0 then tile bmp into textures of size ((w/a) pixel)x((h/b) pixel)\n\n");
}

// Standard output text: usage, progress and summary, all kept back by -q.
__attribute__((format(printf, 2, 3))) void say(const ToolOptions& options, const char* format,
                                               ...) {
    if (options.quiet) return;
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
}

// The two errors that have always gone to standard output; under -q, where
// standard output stays empty, to standard error.
void say_error(const ToolOptions& options, const std::string& message) {
    std::fflush(stdout);
    std::fputs(message.c_str(), options.quiet ? stderr : stdout);
}

// Errors the tool adds go to standard error, after what is already printed.
int fail(int code, const std::string& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "ERROR: %s\n", message.c_str());
    return code;
}

// Prints the loading line and opens the picture; its rows come later.
LoadResult open_input(PictureInput& input, const std::string& name, PictureKind kind, int64_t size,
                      const ToolOptions& options) {
    if (kind == PictureKind::bmp) say(options, "loading BMP=%s\n", name.c_str());
    if (kind == PictureKind::png) say(options, "loading png=%s\n", name.c_str());
    if (kind == PictureKind::tiff) say(options, "loading tif=%s\n", name.c_str());
    if (kind == PictureKind::jpeg) say(options, "loading jpg=%s\n", name.c_str());
    const char* whole = std::getenv(WHOLE_PICTURE_VARIABLE);
    return open_picture(input, name, kind, size, whole && *whole);
}

void warn_damaged(const std::string& name, const std::string& reason) {
    std::fflush(stdout);
    std::fprintf(stderr,
                 "WARNING: picture %s is damaged (%s); its tiles hold filler where its data "
                 "is missing\n",
                 name.c_str(), reason.c_str());
}

// Where the run met damage of the picture: the first row of tiles that holds
// it (the grid's row count for damage below the last row of tiles), and the
// decoder's reason. The run ends with EXIT_LOAD_FAILED and the manifest
// marks the rows from there on.
struct Damage {
    int32_t row = -1;
    std::string reason;
    void met(int32_t at, const std::string& why) {
        if (row >= 0 && row <= at) return;
        row = at;
        reason = why;
    }
};

// What a worker leaves of one tile: per file its name, console text and
// result, the files written completely still under their ".part" names.
struct TileOutcome {
    int32_t files = 0;  // files attempted: 2, or fewer after a failure
    std::string name[2];
    std::string text[2];
    TileWrite result[2] = {TileWrite::ok, TileWrite::ok};
    TileFileFacts facts[2];          // sizes and hashes, for the manifest
    int error[2] = {0, 0};           // the system's reason of a failure
    bool named[2] = {false, false};  // the part file has taken its name
    bool unread = false;             // its band could not be read
    bool kept = false;               // --resume found its files whole
};

struct CacheDeleter {
    void operator()(ChainCache* c) const { chain_cache_free(c); }
};

// Under --strict a damaged picture is an error, as a damaged PNG always is.
int fail_damaged(const std::string& name, const std::string& reason) {
    return fail(EXIT_LOAD_FAILED,
                "picture " + name + " is damaged (" + reason + "); --strict ends the run there");
}

int report_failure(TileWrite result, const std::string& name, int error) {
    if (result == TileWrite::cannot_create)
        return fail(EXIT_WRITE_FAILED,
                    "cannot create tile file=" + name + ".part: " + std::strerror(error));
    if (name.empty())  // no memory even for the name
        return fail(EXIT_WRITE_FAILED, std::string("cannot write a tile file: ") +
                                           std::strerror(error) + "; no part of it is left behind");
    if (result == TileWrite::compress_failed)
        return fail(EXIT_WRITE_FAILED,
                    "cannot write tile file=" + name + ": the compression library stopped (" +
                        std::to_string(error) + ": " + texture_result_message(error) +
                        "); no part of it is left behind");
    return fail(EXIT_WRITE_FAILED, "cannot write tile file=" + name + ": " + std::strerror(error) +
                                       "; no part of it is left behind");
}

// Pixels of a band: the picture's width, or the whole tiles of a padded grid.
int32_t band_width(const TileGrid& grid, const PictureInput& input) {
    const int64_t tiles = int64_t{grid.cols} * grid.tile_width;
    return tiles > input.width ? static_cast<int32_t>(tiles) : input.width;
}

// Whether the grid reaches beyond the picture (--edges pad).
bool grid_padded(const TileGrid& grid, const PictureInput& input) {
    return int64_t{grid.cols} * grid.tile_width > input.width ||
           int64_t{grid.rows} * grid.tile_height > input.height;
}

// Writes both files of every tile, `threads` tiles at a time, the bands of
// the picture read as the tiles need them; the code of the first failure in
// tile order, or EXIT_DONE. `name` gives the tiles their names (the
// input's, or its place in the -o folder); `input_name` is the picture's.
// Console text, files and failures are those of writing the tiles one after
// the other: the tiles are reported and their files named strictly in order,
// and the files of tiles after a failure are removed before they get a name.
// A band that cannot be read ends the run at its first tile, after the tiles
// before it have their names.
// Every tile that takes its name (or is kept) goes into `manifest`; damage
// met on the way goes into `damage`.
int write_tiles(PictureInput& input, const std::string& name, const std::string& input_name,
                const TileGrid& grid, TileJob& job, int32_t& tiles, int threads, bool& warned,
                const ToolOptions& options, GridManifest& manifest, Damage& damage) {
    const int32_t planes = input.planes;
    const bool separated = grid_names_collide(grid.cols, grid.rows);
    if (separated) {
        say(options, "names like %s would repeat in a %dx%d grid; tiles are named %s to %s\n",
            tile_name(name, 1, 10, false, false).c_str(), grid.cols, grid.rows,
            tile_name(name, 0, 0, false, true).c_str(),
            tile_name(name, grid.cols - 1, grid.rows - 1, true, true).c_str());
    }
    const int64_t count = grid.cols > 0 ? int64_t{job.rows.count()} * grid.cols : 0;
    if (count == 0) return EXIT_DONE;
    BandFeed feed;
    if (!start_band_feed(feed, input, grid.tile_height, job.rows.end, grid.cols,
                         band_width(grid, input), job.rows.first))
        return fail(EXIT_NO_MEMORY, "not enough memory for two bands of " +
                                        std::to_string(grid.tile_height) + " rows of " +
                                        input_name);
    // The reader thread ends on every way out, a failed allocation included.
    struct FeedStopper {
        BandFeed& feed;
        ~FeedStopper() { stop_band_feed(feed); }
    } stopper{feed};
    InOrderPool pool;
    pool.threads = static_cast<int>(count < threads ? count : threads);
    std::vector<TileOutcome> ring(static_cast<size_t>(in_flight_limit(pool)));
    // Each worker keeps the generated levels of its tile's first file for
    // the second.
    std::vector<std::unique_ptr<ChainCache, CacheDeleter>> caches;
    for (int w = 0; w < pool.threads; ++w) caches.emplace_back(chain_cache_new());

    auto slot = [&](int64_t item) -> TileOutcome& {
        return ring[static_cast<size_t>(item % static_cast<int64_t>(ring.size()))];
    };
    auto work = [&](int64_t item, int worker) {
        TileOutcome& out = slot(item);
        out = TileOutcome{};
        const int32_t row = job.rows.first + static_cast<int32_t>(item / grid.cols);
        const int32_t col = static_cast<int32_t>(item % grid.cols);
        const uint8_t* band = band_for_tile(feed, row);
        if (!band) {
            out.unread = true;
            return;
        }
        // A kept tile whose files cannot be read back is written anew.
        if (job.is_kept(item)) {
            for (int k = 0; k < 2; ++k) out.name[k] = tile_name(name, col, row, k == 1, separated);
            out.kept = tile_file_facts(out.name[0], out.facts[0]) &&
                       tile_file_facts(out.name[1], out.facts[1]);
            if (out.kept) {
                band_tile_done(feed, row);
                return;
            }
        }
        TilePixels tile;
        tile.pixels = band + col * (int64_t{grid.tile_width} * planes);
        tile.width = grid.tile_width;
        tile.height = grid.tile_height;
        tile.pitch = int64_t{feed.band_width} * planes;
        tile.planes = planes;
        const int32_t skip = grid_skip_levels(grid, row);
        try {
            for (int k = 0; k < 2; ++k) {
                const bool block_file = k == 1;
                out.files = k + 1;
                out.name[k] = tile_name(name, col, row, block_file, separated);
                set_tile_console(&out.text[k]);
                out.result[k] = write_tile_part(out.name[k], tile, block_file, grid.level_count,
                                                skip, caches[worker].get(), &out.error[k],
                                                options.encoding, options.sync, &out.facts[k]);
                set_tile_console(nullptr);
                if (out.result[k] != TileWrite::ok) break;
            }
        } catch (const std::bad_alloc&) {
            // write_tile_part leaves no part file when it throws; the file
            // it was at fails as a write does.
            set_tile_console(nullptr);
            out.result[out.files - 1] = TileWrite::write_failed;
            out.error[out.files - 1] = ENOMEM;
        }
        band_tile_done(feed, row);
    };
    // A complete part file that never takes its name is removed.
    auto discard = [&](TileOutcome& out, int32_t from) {
        for (int32_t k = from; k < out.files; ++k)
            if (out.result[k] == TileWrite::ok && !out.named[k]) discard_tile_part(out.name[k]);
    };
    TileWrite failed = TileWrite::ok;
    bool unread = false;
    bool stopped = false;  // --strict met the damage
    std::string failed_name;
    int failed_error = 0;
    auto finish_tile = [&](int64_t item) {
        TileOutcome& out = slot(item);
        {
            // A damaged picture is reported before the first tile of the
            // band where the damage was met.
            std::lock_guard<std::mutex> hold(feed.lock);
            if (!warned && feed.warning_band >= 0 &&
                feed.warning_band <= job.rows.first + item / grid.cols) {
                warned = true;
                damage.met(feed.warning_band, feed.warning);
                if (options.strict) {
                    // Nothing of the damaged row of tiles gets a name.
                    stopped = true;
                    discard(out, 0);
                    return false;
                }
                warn_damaged(input_name, feed.warning);
            }
        }
        if (out.unread) {
            unread = true;
            return false;
        }
        const int32_t col = static_cast<int32_t>(item % grid.cols);
        const int32_t row = job.rows.first + static_cast<int32_t>(item / grid.cols);
        if (out.kept) {
            ++job.kept_tiles;
            record_tile(manifest, col, row, out.name, out.facts);
            say(options, "kept %dx%d\n", col, row);
            return true;
        }
        ++tiles;
        say(options, "creating %dx%d\n", col, row);
        for (int32_t k = 0; k < out.files; ++k) {
            if (!options.quiet) std::fputs(out.text[k].c_str(), stdout);
            if (out.result[k] == TileWrite::ok) {
                out.result[k] = commit_tile_part(out.name[k], &out.error[k]);
                out.named[k] = out.result[k] == TileWrite::ok;
            }
            if (out.result[k] != TileWrite::ok) {
                failed = out.result[k];
                failed_name.swap(out.name[k]);
                failed_error = out.error[k];
                discard(out, k + 1);
                return false;
            }
        }
        record_tile(manifest, col, row, out.name, out.facts);
        return true;
    };
    auto finish = [&](int64_t item) {
        try {
            return finish_tile(item);
        } catch (const std::bad_alloc&) {
            // The tile's files that have no name yet go; the run stops as
            // at a failed write.
            TileOutcome& out = slot(item);
            for (int32_t k = 0; k < out.files; ++k)
                if (out.result[k] == TileWrite::ok && !out.named[k]) discard_tile_part(out.name[k]);
            failed = TileWrite::write_failed;
            failed_error = ENOMEM;
            return false;
        }
    };
    auto undo = [&](int64_t item) { discard(slot(item), 0); };

    run_in_order(pool, count, work, finish, undo);
    stop_band_feed(feed);
    if (stopped) return fail_damaged(input_name, feed.warning);
    if (unread && !feed.no_memory)
        damage.met(feed.failed_band, feed.error.empty() ? feed.warning : feed.error);
    if (unread && feed.data_ended) {
        if (!warned && !feed.warning.empty()) warn_damaged(input_name, feed.warning);
        warned = true;
        return fail(EXIT_LOAD_FAILED,
                    "the data of " + input_name + " ends above row " +
                        std::to_string(input.bands.data_rows) + " of " +
                        std::to_string(input.height) + ": " +
                        std::to_string(feed.failed_band - job.rows.first) + " of " +
                        std::to_string(job.rows.count()) +
                        " rows of tiles written, the rows below would hold filler only");
    }
    if (unread && feed.no_memory)
        return fail(EXIT_NO_MEMORY, "not enough memory to read the picture " + input_name);
    if (unread)
        return fail(EXIT_LOAD_FAILED, feed.error + " (see vx.log); row " +
                                          std::to_string(feed.failed_band) +
                                          " of tiles and the rows below are not written");
    if (failed != TileWrite::ok) return report_failure(failed, failed_name, failed_error);
    return EXIT_DONE;
}

}  // namespace

namespace {

// The place of the tiles: beside the input, or in the -o folder under the
// same names. Tile names are made from the result as from an input name.
std::string tile_base(const ToolOptions& options, const std::string& name) {
    if (options.out_dir.empty()) return name;
    const size_t slash = name.rfind('/');
    const std::string leaf = slash == std::string::npos ? name : name.substr(slash + 1);
    const std::string& dir = options.out_dir;
    return dir + (dir.back() == '/' ? "" : "/") + leaf;
}

// Parts of the picture no tile holds are lost without a word otherwise; the
// user hears how to keep them.
void warn_lost_parts(const TileGrid& grid, int32_t width, int32_t height) {
    std::fflush(stdout);
    if (grid.rows < 1 || grid.cols < 1) {
        std::fprintf(stderr,
                     "WARNING: the picture (%dx%d) holds no whole tile of %dx%d; no tile is "
                     "written (--edges pad makes one of it)\n",
                     width, height, grid.tile_width, grid.tile_height);
        return;
    }
    const int64_t columns = width - int64_t{grid.cols} * grid.tile_width;
    const int64_t rows = height - int64_t{grid.rows} * grid.tile_height;
    const char* keep = "(--edges pad keeps them)";
    if (columns > 0 && rows > 0)
        std::fprintf(stderr,
                     "WARNING: %lld columns at the right and %lld rows at the bottom of the "
                     "picture are in no tile %s\n",
                     static_cast<long long>(columns), static_cast<long long>(rows), keep);
    else if (columns > 0)
        std::fprintf(stderr,
                     "WARNING: %lld columns at the right of the picture are in no tile %s\n",
                     static_cast<long long>(columns), keep);
    else if (rows > 0)
        std::fprintf(stderr, "WARNING: %lld rows at the bottom of the picture are in no tile %s\n",
                     static_cast<long long>(rows), keep);
}

// The checks of the input file; EXIT_DONE when it can be opened. `error`
// is the reason file_size gave for a size below 0.
int check_input_file(const std::string& name, int64_t size, int error) {
    if (size == 0) return fail(EXIT_BAD_INPUT_FILE, "input file=" + name + " is empty");
    if (size < 1) {
        // A FIFO or a device is never opened (reading one could wait forever).
        struct stat st;
        if (stat(name.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
            return fail(EXIT_BAD_INPUT_FILE, "input file=" + name + " is not a regular file");
        return fail(EXIT_BAD_INPUT_FILE,
                    "cannot read input file=" + name + ": " + open_failure_text(error));
    }
    return EXIT_DONE;
}

// The -o folder, made (with the folders above it) when it does not exist,
// as razivavu-inspect makes its output folders. The reason given is that of
// the folder that could not be made (a folder above it we may not write
// into), not the later "No such file or directory" of the one below it.
int check_out_dir(const ToolOptions& options) {
    if (options.out_dir.empty()) return EXIT_DONE;
    const int error = make_folders(options.out_dir.c_str());
    if (error == EEXIST)
        return fail(EXIT_WRITE_FAILED, "output folder=" + options.out_dir + " is not a folder");
    if (error != 0)
        return fail(EXIT_WRITE_FAILED,
                    "output folder=" + options.out_dir + ": " + std::strerror(error));
    return EXIT_DONE;
}

// The top and bottom rows keep half and quarter resolution unless
// --full-rows says otherwise; a user who expects every tile at full
// resolution hears it before the first tile, and plainly when no row keeps
// it (grids of one or two rows).
void note_full_resolution(const TileGrid& grid, const ToolOptions& options) {
    if (grid.full_rows || grid.rows < 1 || grid.cols < 1) return;
    std::fflush(stdout);
    if (grid.rows == 1)
        std::fprintf(stderr,
                     "WARNING: no row of tiles keeps full resolution: the only row starts at "
                     "level 1 (half); --full-rows keeps level 0\n");
    else if (grid.rows == 2)
        std::fprintf(stderr,
                     "WARNING: no row of tiles keeps full resolution: the top row starts at "
                     "level 1 (half) and the bottom row at level 2 (quarter); --full-rows keeps "
                     "level 0 in every row\n");
    else if (!options.quiet)
        std::fprintf(stderr,
                     "NOTE: %d of %d rows of tiles keep full resolution; the top row starts at "
                     "level 1 (half) and the bottom row at level 2 (quarter), as sky panoramas "
                     "want; --full-rows keeps level 0 in every row\n",
                     grid.rows - 2, grid.rows);
}

// The picture was damaged but every row was tiled: the run still fails, and
// says which rows the manifest marks.
int fail_marked_damaged(const std::string& name, const Damage& damage, const GridManifest& manifest,
                        const std::string& manifest_path) {
    if (damage.row >= manifest.grid.rows)
        return fail(EXIT_LOAD_FAILED, "picture " + name + " is damaged (" + damage.reason +
                                          ") below its last row of tiles; no tile holds the "
                                          "damage, but " +
                                          manifest_path + " records it");
    const int32_t first = damage.row > manifest.first_row ? damage.row : manifest.first_row;
    const int32_t last = manifest.end_row - 1;
    return fail(
        EXIT_LOAD_FAILED,
        "picture " + name + " is damaged (" + damage.reason + ") from row " +
            std::to_string(damage.row) + " of tiles on; " + manifest_path + " marks " +
            (first == last ? "row " + std::to_string(first)
                           : "rows " + std::to_string(first) + " to " + std::to_string(last)) +
            " damaged");
}

// The part's rows: the rows above passed over, the tiles written, then (for
// the part holding the bottom row) the rows below the last row of tiles
// read, since a picture damaged there is still a damaged picture.
int write_run_rows(PictureInput& input, const std::string& name, const TileGrid& grid, TileJob& job,
                   int32_t& tiles, int threads, bool& warned, const ToolOptions& options,
                   GridManifest& manifest, Damage& damage) {
    errno = 0;
    const LoadResult above = skip_picture_rows(input, job.rows.first * grid.tile_height);
    if (!above.ok() && errno == ENOMEM)  // a decoder's failed allocation, no damage
        return fail(EXIT_NO_MEMORY, "not enough memory to read the picture " + name);
    if (!above.ok()) {
        damage.met(job.rows.first, above.reason);
        return fail(EXIT_LOAD_FAILED, above.reason + " (see vx.log)");
    }
    const int written = write_tiles(input, tile_base(options, name), name, grid, job, tiles,
                                    threads, warned, options, manifest, damage);
    if (written != EXIT_DONE) return written;
    if (job.rows.end != grid.rows) return EXIT_DONE;
    const RemainingRows rest = read_remaining_rows(input);
    if (rest.no_memory)
        return fail(EXIT_NO_MEMORY, "cannot read the rows of " + name +
                                        " below the last row of tiles: not enough memory");
    if (!rest.load.ok()) {
        damage.met(grid.rows, rest.load.reason);
        return fail(EXIT_LOAD_FAILED, rest.load.reason + " (see vx.log)");
    }
    if (!warned && !rest.load.warning.empty()) {
        damage.met(grid.rows, rest.load.warning);
        if (options.strict) return fail_damaged(name, rest.load.warning);
        warn_damaged(name, rest.load.warning);
    }
    return EXIT_DONE;
}

// --resume: refuses another grid (EXIT_BAD_OPTION, nothing written), else
// marks the tiles an earlier run left whole, less those of rows it marked
// damaged.
int take_up_earlier_run(const std::string& base, const std::string& tiles,
                        const GridManifest& manifest, const TileGrid& grid, TileJob& job) {
    int32_t damaged_from = job.rows.end;
    const std::string refusal = resume_refusal(base, tiles, manifest, grid, job.rows, damaged_from);
    if (!refusal.empty()) return fail(EXIT_BAD_OPTION, refusal);
    job.kept = tiles_already_written(tiles, grid, job.rows);
    for (size_t item = 0; item < job.kept.size(); ++item)
        if (job.rows.first + static_cast<int32_t>(item / grid.cols) >= damaged_from)
            job.kept[item] = 0;
    return EXIT_DONE;
}

// The run's last step: its manifest, with the damage it met.
int commit_manifest(GridManifest& manifest, const Damage& damage, const std::string& path,
                    bool sync) {
    manifest.damaged_from_row = damage.row;
    manifest.damage = damage.reason;
    const int unwritten = commit_run_manifest(path, manifest, sync);
    if (unwritten == 0) return EXIT_DONE;
    return fail(unwritten == ENOMEM ? EXIT_NO_MEMORY : EXIT_WRITE_FAILED,
                "cannot write the grid manifest " + path + ": " + std::strerror(unwritten));
}

// The old console habit: keep the window open until the user has read it.
// Only a terminal is asked; a pipe or a file is never read, so a shell loop
// reading names from its own standard input keeps every name.
void final_wait(const ToolOptions& options) {
    if (options.quiet || !isatty(STDIN_FILENO)) return;
    std::fprintf(stderr, "press Enter to close\n");
    std::getchar();
}

}  // namespace

int run_tool(int argc, char** argv) {
    // The normal-map step's diagnostics reach the user (razivavu's settings
    // never ask for that step; the library itself stays silent).
    normalmap_set_receiver(&normalmap_print_to_stderr);
    ToolOptions options;
    const std::string bad_option = parse_tool_options(argc, argv, options);
    if (options.version) {
        std::printf("razivavu %s\n", razivavu_version());
        return EXIT_DONE;
    }
    if (options.help) {
        print_usage();
        std::printf("%s", tool_options_help().c_str());
        return EXIT_DONE;
    }
    if (!options.quiet) print_usage();
    if (!bad_option.empty())
        return fail(EXIT_BAD_OPTION, bad_option + " (razivavu --help lists the options)");
    if (options.part.from_scheduler) {
        const std::string no_part = part_from_scheduler(
            [](const char* variable) -> const char* { return std::getenv(variable); },
            options.part);
        if (!no_part.empty()) return fail(EXIT_BAD_OPTION, no_part);
    }
    const int operands = argc - options.operands;
    if (operands < 1) {
        say_error(options, "ERROR: no input file specified\n");
        return EXIT_NO_INPUT;
    }
    char* const* operand = argv + options.operands;
    if (operands > 3) {
        const std::string extra = operand[3];
        return fail(EXIT_BAD_OPTION,
                    "unexpected argument " + extra + " after the tile size" +
                        (extra.size() > 1 && extra[0] == '-' && !std::isdigit(extra[1])
                             ? " (options go before the file)"
                             : " (razivavu [options] file [a b])"));
    }
    const std::string name = operand[0];
    const int64_t size = file_size(name.c_str());  // 64 bits: panoramas pass 4 GiB
    const int unusable = check_input_file(name, size, errno);
    if (unusable != EXIT_DONE) return unusable;

    const PictureKind kind = picture_kind(name);
    if (kind == PictureKind::unknown) {
        say_error(options, "ERROR: unknown file type=" + name + "\n");
        return EXIT_UNKNOWN_TYPE;
    }
    TileRequest request;
    const std::string bad_request = parse_tile_request(operands - 1, operand + 1, request);
    if (!bad_request.empty()) return fail(EXIT_BAD_TILE_SIZE, bad_request);
    const int no_folder = check_out_dir(options);
    if (no_folder != EXIT_DONE) return no_folder;

    // Only the sizes are read here; the rows come band by band while tiling.
    PictureInput input;
    struct Closer {
        PictureInput& input;
        ~Closer() { close_picture(input); }
    } closer{input};  // on every way out
    const LoadResult opened = open_input(input, name, kind, size, options);
    if (!opened.ok())
        return fail(EXIT_LOAD_FAILED, opened.reason + " (see vx.log)" + picture_kind_note(name));
    // Damage met while opening (a progressive JPEG is read through at once):
    // where it lies is not known, so every row counts as damaged.
    Damage damage;
    bool warned = !opened.warning.empty();
    if (warned && options.strict) return fail_damaged(name, opened.warning);
    if (warned) {
        warn_damaged(name, opened.warning);
        damage.met(0, opened.warning);
    }
    say(options, "width=%d\nheight=%d\n", input.width, input.height);

    int32_t tile_width = 0;
    int32_t tile_height = 0;
    const std::string bad_size =
        tile_size_for(request, input.width, input.height, tile_width, tile_height);
    if (!bad_size.empty()) return fail(EXIT_BAD_TILE_SIZE, bad_size);
    say(options, "tiling to %dx%d pixel\n", tile_width, tile_height);

    TileGrid grid =
        make_grid(input.width, input.height, tile_width, tile_height, options.pad_edges);
    grid.full_rows = options.full_rows;
    grid.blocks = options.encoding.blocks;
    if (!options.pad_edges && speaks_for_picture(grid, options.part))
        warn_lost_parts(grid, input.width, input.height);
    if (speaks_for_picture(grid, options.part)) note_full_resolution(grid, options);
    TileJob job;
    job.rows = rows_of_run(grid, options.part);
    if (options.part.given && job.rows.count() == 0) {
        say(options, "part %d/%d holds no row of tiles (the grid has %d); nothing to write\n",
            options.part.index, options.part.count, grid.cols > 0 ? grid.rows : 0);
        return EXIT_DONE;
    }
    if (grid.rows > 0 && grid.cols > 0 && !block_files_hold_levels(tile_width, tile_height)) {
        std::fflush(stdout);
        const std::string advice =
            pow2_tile_advice(request, input.width, input.height, tile_width, tile_height);
        // The block format's name as the warning has always said it: DXT1, BC7, ASTC4X4, ...
        std::string blocks = texture_format_info(grid.blocks)->name;
        for (char& c : blocks) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        std::fprintf(stderr,
                     "WARNING: the %s files (...c.vxt) will hold their header and no levels: "
                     "%s needs tile sides that are powers of two, these tiles are %dx%d; %s\n",
                     blocks.c_str(), blocks.c_str(), tile_width, tile_height, advice.c_str());
    }
    // The two bands a run holds count against the loaders' memory limit.
    const int64_t band_bytes =
        band_feed_bytes(input, tile_height, band_width(grid, input), grid_padded(grid, input));
    const int64_t limit = picture_memory_limit();
    if (grid.rows > 0 && grid.cols > 0 && band_bytes > limit) {
        const int64_t mb = 1024 * 1024;
        return fail(EXIT_LOAD_FAILED,
                    "two bands of " + std::to_string(tile_height) + " rows of " + name + " need " +
                        std::to_string((band_bytes + mb - 1) / mb) +
                        " MB, more than the memory limit of " + std::to_string(limit / mb) +
                        " MB (set " + MEMORY_LIMIT_VARIABLE + " to change it)");
    }
    // What the run will have written, recorded as it goes; --resume first
    // makes sure what lies there is this grid.
    const std::string base = tile_name_base(tile_base(options, name));
    GridManifest manifest;
    const std::string unread_again = start_run_manifest(manifest, name, kind, input.width,
                                                        input.height, grid, options, job.rows);
    if (!unread_again.empty()) return fail(EXIT_BAD_INPUT_FILE, unread_again);
    if (options.resume) {
        const int refused =
            take_up_earlier_run(base, tile_base(options, name), manifest, grid, job);
        if (refused != EXIT_DONE) return refused;
    }
    // The run's files (a part's own, less those kept) must fit: a small
    // picture that claims a huge size would otherwise fill the disk with
    // filler before anything failed.
    struct statvfs fs;
    const std::string folder = output_folder(tile_base(options, name));
    if (grid.rows > 0 && grid.cols > 0 && statvfs(folder.c_str(), &fs) == 0) {
        const int64_t unit = fs.f_frsize > 0 ? static_cast<int64_t>(fs.f_frsize) : 1;
        const int64_t needed = job_output_bytes(grid, job, unit);
        const int64_t room = static_cast<int64_t>(fs.f_bavail) * unit;
        if (needed > room) {
            const int64_t mb = 1024 * 1024;
            return fail(EXIT_WRITE_FAILED, "the tiles of " + name + " need " +
                                               std::to_string((needed + mb - 1) / mb) +
                                               " MB, more than the " + std::to_string(room / mb) +
                                               " MB free in " + folder + "; no tile written");
        }
    }
    // Tiles are written on every processor the job was given (its affinity
    // and CPU quota, not the machine's count) unless RAZIVAVU_THREADS says
    // otherwise.
    std::string note;
    const int fallback = std::min(usable_processors(), MAX_TILE_THREADS);
    const int threads = tile_threads(std::getenv("RAZIVAVU_THREADS"), fallback, note);
    if (!note.empty()) {
        std::fflush(stdout);
        std::fprintf(stderr, "WARNING: %s\n", note.c_str());
    }
    if (!options.resume) drop_other_grids_manifests(base, manifest);
    int32_t tiles = 0;
    int written =
        write_run_rows(input, name, grid, job, tiles, threads, warned, options, manifest, damage);
    close_picture(input);  // before the wait for the user
    // A run that could not write its tiles leaves no manifest: --check then
    // sees its rows as never finished. A damaged picture is recorded.
    if (written != EXIT_DONE && damage.row < 0) return written;
    const std::string manifest_path = run_manifest_path(base, options);
    const int committed = commit_manifest(manifest, damage, manifest_path, options.sync);
    if (committed != EXIT_DONE) return committed;
    if (written != EXIT_DONE) return written;

    say(options, "created %d pano's\n", tiles);
    if (job.kept_tiles > 0) say(options, "kept %d pano's of an earlier run\n", job.kept_tiles);
    if (damage.row >= 0) return fail_marked_damaged(name, damage, manifest, manifest_path);
    say(options, "done\n");
    std::fflush(stdout);
    final_wait(options);
    return EXIT_DONE;
}
