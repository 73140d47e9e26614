// What the benchmarks that run beside ImageMagick share: processor time of
// this process and of finished children, a timed shell command, an output
// hash, and the raw picture file the peer reads.
//
// On a machine shared with other work, wall time also counts the waits for a
// processor; processor time counts only the work, so ratios are taken on it.
#pragma once

#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

inline double cpu_seconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

inline double children_cpu_seconds() {
    rusage ru{};
    getrusage(RUSAGE_CHILDREN, &ru);
    return ru.ru_utime.tv_sec + ru.ru_utime.tv_usec * 1e-6 + ru.ru_stime.tv_sec +
           ru.ru_stime.tv_usec * 1e-6;
}

struct Timing {
    double wall = 0.0;
    double cpu = 0.0;
};

// Runs `cmd` through the shell; false, with the command named on stderr,
// when it fails.
inline bool timed_system(const std::string& cmd, Timing& t) {
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = children_cpu_seconds();
    const int rc = std::system(cmd.c_str());
    t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    t.cpu = children_cpu_seconds() - c0;
    if (rc != 0) {
        std::fprintf(stderr, "command failed (%d): %s\n", rc, cmd.c_str());
        return false;
    }
    return true;
}

inline uint64_t fnv1a(const uint8_t* p, size_t n, uint64_t h = 1469598103934665603ull) {
    for (size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return h;
}

inline bool write_file(const std::string& path, const uint8_t* p, size_t n) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(p, 1, n, f) == n;
    return std::fclose(f) == 0 && ok;
}

// The start of a one-thread ImageMagick command line that reads `file`, a
// raw side x side picture of R, G, B, A bytes.
inline std::string imagemagick_reading(const std::string& convert, const std::string& file,
                                       int side) {
    const std::string size = std::to_string(side) + "x" + std::to_string(side);
    return "MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1 " + convert + " -size " + size +
           " -depth 8 rgba:" + file;
}
