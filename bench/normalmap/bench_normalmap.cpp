// Times make_normal_map on a height picture for the 2-tap, 5x5 and 9x9
// kernel pairs, in megapixels per second. The same run times the plain
// per-pixel sampler (Convolver::value for every pixel and kernel, then the
// same encoding) as the peer, so the ratio shows what the row-wise sampler
// gains on this machine. Rates are on processor time (the machine may be
// shared); wall time is shown beside them.
//
// usage: bench_normalmap [side [repeats]]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "normalmap/normalmap.h"

namespace {

// Rolling hills with a little noise in byte 3; colour bytes vary too.
std::vector<uint8_t> make_heights(int32_t side) {
    std::vector<uint8_t> p(static_cast<size_t>(side) * side * 4);
    uint32_t noise = 99;
    for (int32_t y = 0; y < side; ++y)
        for (int32_t x = 0; x < side; ++x) {
            noise = noise * 1664525u + 1013904223u;
            uint8_t* px = &p[(static_cast<size_t>(y) * side + x) * 4];
            px[0] = static_cast<uint8_t>(x);
            px[1] = static_cast<uint8_t>(y);
            px[2] = static_cast<uint8_t>(x ^ y);
            px[3] = static_cast<uint8_t>(((x / 8 + y / 16) % 32) * 6 + (noise >> 29));
        }
    return p;
}

struct Clock {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    std::clock_t cpu = std::clock();
    double cpu_seconds() const { return static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC; }
    double wall_seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    }
};

// The peer: every sample taken on its own.
void plain_normal_map(int32_t kernel, int32_t side, uint8_t* pixels) {
    const KernelPair k = make_kernel_pair(kernel);
    ImageBin bin;
    bin.pixels = pixels;
    bin.format = IMAGE_BIN_FORMAT_WORDS;
    bin.width = bin.height = side;
    const ImageBin* handle = &bin;
    NormalMapMaker maker;
    if (maker.InitializeConvolver(k.x, k.y, &handle, false) != 0) std::exit(1);
    for (int32_t y = 0; y < side; ++y)
        for (int32_t x = 0; x < side; ++x)
            encode_biased(pixels + (static_cast<size_t>(y) * side + x) * 4,
                          normal_from_slopes(maker.convolver->value(0, x, y),
                                             maker.convolver->value(1, x, y), 2.2f, 2.2f));
}

}  // namespace

int main(int argc, char** argv) {
    const int32_t side = argc >= 2 ? std::atoi(argv[1]) : 2048;
    const int repeats = argc >= 3 ? std::atoi(argv[2]) : 3;
    if (side < 1 || repeats < 1) {
        std::fprintf(stderr, "bad arguments\n");
        return 2;
    }
    const std::vector<uint8_t> heights = make_heights(side);
    const double mp = static_cast<double>(side) * side / 1e6;
    std::printf("normalmap: %d x %d height picture, best of %d\n", side, side, repeats);
    std::printf("%-8s %10s %12s %10s %12s %8s\n", "kernel", "MP/s cpu", "plain MP/s", "ratio",
                "wall s", "plain s");
    for (int32_t kernel : {1040, 1042, 1045}) {
        double best = 1e30, best_plain = 1e30, wall = 0, wall_plain = 0;
        for (int r = 0; r < repeats; ++r) {
            std::vector<uint8_t> p = heights;
            Clock t;
            NormalMapOptions o;
            o.kernel = kernel;
            if (make_normal_map(o, side, side, p.data(), NORMALMAP_LAYOUT_WORDS) != 0) return 1;
            if (t.cpu_seconds() < best) {
                best = t.cpu_seconds();
                wall = t.wall_seconds();
            }
            std::vector<uint8_t> q = heights;
            Clock tp;
            plain_normal_map(kernel, side, q.data());
            if (tp.cpu_seconds() < best_plain) {
                best_plain = tp.cpu_seconds();
                wall_plain = tp.wall_seconds();
            }
            if (p != q) {
                std::fprintf(stderr, "kernel %d: row-wise and plain results differ\n", kernel);
                return 1;
            }
        }
        std::printf("%-8d %10.2f %12.2f %10.2f %12.3f %8.3f\n", kernel, mp / best, mp / best_plain,
                    best_plain / best, wall, wall_plain);
    }
    return 0;
}
