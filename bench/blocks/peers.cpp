// The peers: libsquish (range fit, cluster fit, iterative cluster fit, each
// with our channel weights as its metric and with a uniform metric) and
// stb_dxt (normal and high quality). Each block is handed over on its own so
// that no peer can use more than one thread.
#include "bench/blocks/peers.h"

#include <cstring>

#if BENCH_HAVE_SQUISH
#include <squish.h>
#endif
#if BENCH_HAVE_STB
#include <stb_dxt.h>
#endif

namespace {

// Copies the 4x4 block at (x0, y0) into 64 contiguous bytes.
void gather(const uint8_t* rgba, int width, int x0, int y0, uint8_t block[64]) {
    for (int row = 0; row < 4; ++row)
        std::memcpy(block + 16 * row, rgba + (size_t(y0 + row) * size_t(width) + size_t(x0)) * 4,
                    16);
}

#if BENCH_HAVE_SQUISH
const int kSquishFits[3] = {squish::kColourRangeFit, squish::kColourClusterFit,
                            squish::kColourIterativeClusterFit};

// variant: fit index * 2 + (1 for our weights as the metric).
void squish_encode(const uint8_t* rgba, int width, int height, uint8_t* out, int variant) {
    float metric[3] = {0.309f, 0.609f, 0.082f};
    const int flags = squish::kDxt1 | kSquishFits[variant / 2];
    float* use = (variant & 1) ? metric : nullptr;
    uint8_t block[64];
    for (int y0 = 0; y0 < height; y0 += 4)
        for (int x0 = 0; x0 < width; x0 += 4, out += 8) {
            gather(rgba, width, x0, y0, block);
            squish::Compress(block, out, flags, use);
        }
}
#endif

#if BENCH_HAVE_STB
void stb_encode(const uint8_t* rgba, int width, int height, uint8_t* out, int variant) {
    uint8_t block[64];
    for (int y0 = 0; y0 < height; y0 += 4)
        for (int x0 = 0; x0 < width; x0 += 4, out += 8) {
            gather(rgba, width, x0, y0, block);
            stb_compress_dxt_block(out, block, 0, variant ? STB_DXT_HIGHQUAL : STB_DXT_NORMAL);
        }
}
#endif

}  // namespace

std::vector<PeerEncoder> available_peers() {
    std::vector<PeerEncoder> peers;
#if BENCH_HAVE_SQUISH
    const char* fits[3] = {"range fit", "cluster fit", "iterative cluster fit"};
    for (int f = 0; f < 3; ++f) {
        peers.push_back(
            {std::string("squish ") + fits[f] + ", our weights", squish_encode, 2 * f + 1});
        peers.push_back({std::string("squish ") + fits[f] + ", uniform", squish_encode, 2 * f});
    }
#endif
#if BENCH_HAVE_STB
    peers.push_back({"stb_dxt normal", stb_encode, 0});
    peers.push_back({"stb_dxt high quality", stb_encode, 1});
#endif
    return peers;
}

std::vector<std::string> missing_peers() {
    std::vector<std::string> missing;
#if !BENCH_HAVE_SQUISH
    missing.push_back("libsquish (Debian libsquish-dev) not found: its rows are skipped");
#endif
#if !BENCH_HAVE_STB
    missing.push_back("stb_dxt (Debian libstb-dev) not found: its rows are skipped");
#endif
    return missing;
}
