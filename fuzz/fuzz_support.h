// Shared pieces of the fuzz targets: a scratch folder to work in, contract
// checks that end the run loudly, and value pickers for settings.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace fuzz {

// A broken promise of the code under test: report it and abort, which
// libFuzzer records as a crash with the input that caused it.
#define FUZZ_REQUIRE(condition)                                                                    \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "contract broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// A fresh folder of the process's own for the files the loaders read by
// name; the working folder stays (inputs given on the command line are found
// relative to it, and "vx.log" is written there). A small memory limit keeps
// files that claim huge pictures from turning every run into a slow
// allocation (a limit set in the environment wins).
inline const std::string& scratch_dir() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/razivavu-fuzz-XXXXXX";
        if (!mkdtemp(pattern)) {
            std::perror("razivavu fuzz: scratch folder");
            std::abort();
        }
        return std::string(pattern);
    }();
    return dir;
}

inline std::string scratch_file(const char* name) { return scratch_dir() + "/" + name; }

inline void enter_scratch_dir() {
    scratch_dir();
    setenv("RAZIVAVU_MAX_MEMORY_MB", "16", 0);
}

// "vx.log" grows with every failed load; it is started afresh now and then.
inline void trim_log() {
    static unsigned runs = 0;
    if (++runs % 512 == 0) std::remove("vx.log");
}

inline bool write_bytes_to(const std::string& name, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(name.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

// A float that is usually ordinary (within [lo, hi]) and now and then one of
// the values that break careless arithmetic.
inline float pick_float(FuzzedDataProvider& in, float lo, float hi) {
    static const float special[] = {std::numeric_limits<float>::quiet_NaN(),
                                    std::numeric_limits<float>::infinity(),
                                    -std::numeric_limits<float>::infinity(),
                                    0.0f,
                                    -0.0f,
                                    -1.0f,
                                    1e30f,
                                    3.4e38f,
                                    -3.4e38f,
                                    1e-30f,
                                    std::numeric_limits<float>::denorm_min()};
    const uint8_t how = in.ConsumeIntegral<uint8_t>();
    if (how < 32) return special[how % (sizeof(special) / sizeof(special[0]))];
    if (how < 40) return in.ConsumeFloatingPoint<float>();
    return in.ConsumeFloatingPointInRange<float>(lo, hi);
}

}  // namespace fuzz
