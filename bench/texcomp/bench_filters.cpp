// Level-filter benchmark: one pass of the 3x3 sharpen kernel (method 8), the
// unsharp mask (16, radius 5) and the luminance sharpener (17) over a
// 2048 x 2048 level, in megapixels per second of processor time, beside
// ImageMagick's -sharpen, -unsharp and a 3x3 -morphology Convolve of the same
// picture on one thread. Usage: bench_filters <work dir> [convert program]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/peer_timing.h"
#include "texcomp/level_filter.h"

namespace {

constexpr int SIDE = 2048;
constexpr double MEGAPIXELS = SIDE * static_cast<double>(SIDE) / 1e6;

// Gradients, blocky edges and noise, the same on every run.
std::vector<uint8_t> make_picture() {
    std::vector<uint8_t> px(static_cast<size_t>(SIDE) * SIDE * 4);
    uint32_t state = 0x9E3779B9u;
    for (int y = 0; y < SIDE; ++y)
        for (int x = 0; x < SIDE; ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            uint8_t* p = &px[(static_cast<size_t>(y) * SIDE + x) * 4];
            const int noise = static_cast<int>(state & 15) - 8;
            const int edge = (((x / 83) + (y / 57)) & 1) ? 70 : 0;
            p[0] = static_cast<uint8_t>(std::clamp(x * 255 / SIDE + noise, 0, 255));
            p[1] = static_cast<uint8_t>(std::clamp(y * 180 / SIDE + edge + noise, 0, 255));
            p[2] = static_cast<uint8_t>(std::clamp(100 + edge - noise, 0, 255));
            p[3] = 255;
        }
    return px;
}

// Best of three passes over fresh copies; the output hash of each must agree.
double time_method(const std::vector<uint8_t>& pic, int32_t method, uint64_t* hash) {
    LevelFilterState state;
    double best = 1e30;
    for (int r = 0; r < 3; ++r) {
        std::vector<uint8_t> level = pic;
        const double c0 = cpu_seconds();
        filter_level(state, level.data(), SIDE * 4, 4, SIDE, SIDE, method);
        best = std::min(best, cpu_seconds() - c0);
        const uint64_t h = fnv1a(level.data(), level.size());
        if (r > 0 && h != *hash) std::printf("method %d: runs differ\n", method);
        *hash = h;
    }
    return best;
}

// Best of three runs, in processor time; -1 when a run fails.
double time_command(const std::string& cmd) {
    double best = 1e30;
    for (int r = 0; r < 3; ++r) {
        Timing t;
        if (!timed_system(cmd, t)) return -1;
        best = std::min(best, t.cpu);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    const std::string convert = argc > 2 ? argv[2] : "";
    const std::vector<uint8_t> pic = make_picture();

    struct Row {
        const char* name;
        int32_t method;
        double seconds = 0;
        uint64_t hash = 0;
    } ours[] = {{"method 8 (3x3 sharpen)", 8},
                {"method 16 (unsharp, radius 5)", 16},
                {"method 17 (luminance)", 17}};
    std::printf("level filters, one pass over %dx%d, processor time (best of 3)\n", SIDE, SIDE);
    std::printf("%-34s %10s %10s  %s\n", "filter", "ms", "MP/s", "hash");
    for (Row& r : ours) {
        r.seconds = time_method(pic, r.method, &r.hash);
        std::printf("%-34s %10.1f %10.1f  %016llx\n", r.name, r.seconds * 1e3,
                    MEGAPIXELS / r.seconds, static_cast<unsigned long long>(r.hash));
    }
    if (convert.empty()) {
        std::printf("ImageMagick: not run (no convert program given)\n");
        return 0;
    }

    const std::string in = dir + "/filters_src.rgba";
    if (!write_file(in, pic.data(), pic.size())) {
        std::fprintf(stderr, "cannot write %s\n", in.c_str());
        return 1;
    }
    // Each invocation reads the picture and filters it; the read-only
    // invocation is subtracted.
    const std::string head = imagemagick_reading(convert, in, SIDE);
    const double base = time_command(head + " null:");
    if (base < 0) return 1;
    const struct {
        const char* name;
        const char* op;
        int compare_with;  // index into ours
    } peers[] = {
        {"-morphology Convolve 3x3 (method 8)",
         "-morphology Convolve '3x3: 0,-0.6666667,0 -0.6666667,3.6666667,-0.6666667 "
         "0,-0.6666667,0'",
         0},
        {"-sharpen 0x1", "-sharpen 0x1", 0},
        {"-unsharp 0x6+0.5+0", "-unsharp 0x6+0.5+0", 1},
        {"-sharpen 0x1 (beside method 17)", "-sharpen 0x1", 2},
    };
    std::printf(
        "\nImageMagick, MAGICK_THREAD_LIMIT=1, processor time less a read-only run "
        "(%.1f ms)\n",
        base * 1e3);
    std::printf("%-34s %10s %10s  %s\n", "operation", "ms", "MP/s", "ImageMagick / ours");
    for (const auto& p : peers) {
        const double t = time_command(head + " " + p.op + " null:");
        if (t < 0) return 1;
        const double net = std::max(t - base, 1e-6);
        std::printf("%-34s %10.1f %10.1f  %.2f\n", p.name, net * 1e3, MEGAPIXELS / net,
                    net / ours[p.compare_with].seconds);
    }
    std::remove(in.c_str());
    return 0;
}
