// Running a program of the build from a test, in the test's working
// directory, and the tile files such a run leaves there.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

struct RunResult {
    int status = -1;  // the exit status; -1 when the program did not exit
    std::string out;
    std::string err;
};

// Runs "<prefix>'<binary>' <args>" through the shell with standard input at
// end of file; `prefix` holds shell words before the command (limits, a
// timeout).
inline RunResult run_program(const std::string& binary, const std::string& args,
                             const std::string& prefix = "") {
    // Named by the test's process: the tests of one folder may run side by side.
    const std::string out = "run." + std::to_string(getpid()) + ".out";
    const std::string err = "run." + std::to_string(getpid()) + ".err";
    const std::string command =
        prefix + "'" + binary + "' " + args + " < /dev/null > " + out + " 2> " + err;
    const int raw = std::system(command.c_str());
    RunResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    const auto take = [](const char* name) {
        std::string text;
        {
            std::ifstream in(name, std::ios::binary);
            text.assign(std::istreambuf_iterator<char>(in), {});
        }
        std::remove(name);
        return text;
    };
    r.out = take(out.c_str());
    r.err = take(err.c_str());
    return r;
}

// The tile files (".vxt") and unfinished ones (".part") of the working
// directory, by name.
inline std::vector<std::string> tile_files() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator("."))
        if (e.path().extension() == ".vxt" || e.path().extension() == ".part")
            names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Every file of a folder, by name, with its bytes: two runs compared whole.
inline std::map<std::string, std::string> folder_files(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(e.path(), std::ios::binary);
        files[e.path().filename().string()].assign(std::istreambuf_iterator<char>(in), {});
    }
    return files;
}

// What razivavu says on standard error before the first tile of a grid of
// `rows` rows whose top and bottom rows drop levels (nothing for --full-rows).
inline std::string full_resolution_line(int rows) {
    if (rows == 1)
        return "WARNING: no row of tiles keeps full resolution: the only row starts at level 1 "
               "(half); --full-rows keeps level 0\n";
    if (rows == 2)
        return "WARNING: no row of tiles keeps full resolution: the top row starts at level 1 "
               "(half) and the bottom row at level 2 (quarter); --full-rows keeps level 0 in "
               "every row\n";
    return "NOTE: " + std::to_string(rows - 2) + " of " + std::to_string(rows) +
           " rows of tiles keep full resolution; the top row starts at level 1 (half) and the "
           "bottom row at level 2 (quarter), as sky panoramas want; --full-rows keeps level 0 in "
           "every row\n";
}

// Standard error without that line, for tests about what follows it.
inline std::string without_full_resolution_line(const std::string& err) {
    for (const char* start : {"NOTE: ", "WARNING: no row of tiles keeps full resolution"}) {
        const size_t at = err.find(start);
        if (at != std::string::npos && (at == 0 || err[at - 1] == '\n') &&
            err.find("full-rows keeps level 0", at) != std::string::npos)
            return err.substr(0, at) + err.substr(err.find('\n', at) + 1);
    }
    return err;
}
