// The run of razivavu-inspect: each file is checked and reported on its own,
// so one bad file neither hides the others nor stops the run; the exit code
// tells whether any failed.
#include <cerrno>
#include <cstring>

#include "inspect/inspect.h"
#include "inspect/viewer.h"
#include "vxsystem/vxsystem.h"

namespace {

int bad_file(const std::string& name, const std::string& error) {
    std::fprintf(stderr, "razivavu-inspect: %s: %s\n", name.c_str(), error.c_str());
    return INSPECT_BAD_FILE;
}

int tables(const InspectOptions& o) {
    int code = INSPECT_OK;
    std::string json = "{\"files\":[";
    for (size_t i = 0; i < o.files.size(); ++i) {
        TexFile file;
        std::string error;
        const bool ok = read_tex_file(o.files[i], file, error);
        if (!ok) code = bad_file(o.files[i], error);
        if (o.json) {
            json += i ? "," : "";
            json += ok ? tex_table_json(file)
                       : "{\"name\":" + json_string(o.files[i]) +
                             ",\"ok\":false,\"error\":" + json_string(error) + "}";
        } else if (ok) {
            print_tex_table(file, stdout);
        }
    }
    if (o.json) std::printf("%s]}\n", json.c_str());
    return code;
}

// The --png folder and those above it, with mkdir (libstdc++'s
// create_directories allocates inside a noexcept function, so without memory
// it would end the process instead of throwing). False with the reason of
// the folder that could not be made on standard error.
bool make_folder(const std::string& dir) {
    const int error = make_folders(dir.c_str());
    if (error == 0) return true;
    std::fprintf(stderr, "razivavu-inspect: cannot make the folder %s: %s\n", dir.c_str(),
                 error == EEXIST ? "not a folder" : std::strerror(error));
    return false;
}

int pngs(const InspectOptions& o) {
    if (!make_folder(o.png_dir)) return INSPECT_OUTPUT;
    int code = INSPECT_OK;
    for (const std::string& name : o.files) {
        TexFile file;
        std::string error;
        if (!read_tex_file(name, file, error)) {
            code = bad_file(name, error);
            continue;
        }
        for (size_t k = 0; k < file.levels.size(); ++k) {
            TexImage image;
            const std::string path = level_png_name(o.png_dir, file, file.levels[k]);
            if (!decode_tex_level(file, k, image, error)) {
                code = bad_file(name, error);
                break;
            }
            if (!write_png(path, image, error)) {
                std::fprintf(stderr, "razivavu-inspect: %s\n", error.c_str());
                return INSPECT_OUTPUT;
            }
            std::printf("%s\n", path.c_str());
        }
        if (file.levels.empty()) std::printf("%s: no levels stored\n", name.c_str());
    }
    return code;
}

}  // namespace

int run_inspect(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    InspectOptions o;
    const std::string bad = parse_inspect_args(args, o);
    if (!bad.empty()) {
        std::fprintf(stderr, "razivavu-inspect: %s\n%s", bad.c_str(), inspect_usage().c_str());
        return INSPECT_USAGE;
    }
    int code = INSPECT_OK;
    switch (o.mode) {
        case InspectMode::help:
            std::printf("%s", inspect_usage().c_str());
            break;
        case InspectMode::version:
            std::printf("razivavu-inspect %s\n", razivavu_version());
            break;
        case InspectMode::table:
            code = tables(o);
            break;
        case InspectMode::png:
            code = pngs(o);
            break;
        case InspectMode::mosaic: {
            if (!make_folder(o.png_dir)) {
                code = INSPECT_OUTPUT;
                break;
            }
            code = run_mosaic(o.base, o.mosaic_level, o.png_dir, stdout, stderr, o.mosaic_dxt1);
            break;
        }
        case InspectMode::compare:
            code = run_compare(o.base, o.json, stdout, stderr);
            break;
        case InspectMode::html:
            code = run_viewer(o.base, o.html_dir, stdout, stderr);
            break;
        case InspectMode::check:
            code = run_check(o.base, stdout, o.deep);
            break;
    }
    if (std::fflush(stdout) != 0 && code == INSPECT_OK) code = INSPECT_OUTPUT;
    return code;
}
