// Runs of the razivavu binary for the tool tests: console text, exit code,
// the tile files left behind and the peak memory of the run.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/imageio/test_support.h"

namespace testsupport {

struct ChildRun {
    int status = -1;
    std::string out;
    std::string err;
    std::map<std::string, std::vector<uint8_t>> files;  // tile and part files
    long peak_kb = 0;                                   // the tool's peak resident size
};

// Runs the tool as a child of this process in the current folder, standard
// input at end of file, with the "NAME=value" entries of `env` added to its
// environment, and takes its own peak resident size from wait4. `meanwhile`
// runs while the tool does. The tile and part files are taken out of the
// folder into the result.
inline ChildRun run_child(const std::vector<std::string>& args,
                          const std::vector<std::string>& env = {},
                          const std::function<void()>& meanwhile = nullptr) {
    std::vector<char*> argv;
    std::string binary = RAZIVAVU_BINARY;
    argv.push_back(binary.data());
    std::vector<std::string> copy = args;
    for (std::string& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<std::string> vars = env;
        for (std::string& v : vars) putenv(v.data());
        const int in = open("/dev/null", O_RDONLY);
        const int out = open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
            _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (pid > 0 && meanwhile) meanwhile();
    ChildRun o;
    int raw = 0;
    struct rusage usage {};
    if (pid > 0 && wait4(pid, &raw, 0, &usage) == pid) {
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        o.peak_kb = usage.ru_maxrss;
    }
    o.out = read_text("stdout.txt");
    o.err = read_text("stderr.txt");
    for (const auto& e : std::filesystem::directory_iterator(".")) {
        const std::string ext = e.path().extension().string();
        if (ext == ".vxt" || ext == ".part") {
            o.files[e.path().filename().string()] = read_file(e.path().string());
            std::filesystem::remove(e.path());
        }
    }
    return o;
}

}  // namespace testsupport
