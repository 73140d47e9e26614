// Times the tool's job on a large picture: every tile compressed once as
// 24-bit levels (code 8) and once as DXT1 blocks (code 0, red and blue
// exchanged), sinks writing to memory. The 24-bit work and the block work are
// reported separately, plus the 24-bit work without its mip chain, to show
// where the time goes.
//
// usage: bench_texcomp [width height tile_w tile_h [max_block_tiles]]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "texcomp/texcomp.h"

namespace {

struct MemorySink {
    std::vector<uint8_t> bytes;
    static int32_t write(int32_t count, const uint8_t* buffer, void* user) {
        auto* s = static_cast<MemorySink*>(user);
        s->bytes.insert(s->bytes.end(), buffer, buffer + count);
        return count;
    }
};

// A panorama-like picture: smooth gradients with some texture on top.
std::vector<uint8_t> make_picture(int32_t w, int32_t h) {
    std::vector<uint8_t> p(static_cast<size_t>(w) * h * 3);
    uint32_t noise = 12345;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int n = static_cast<int>(noise >> 28) - 8;
            uint8_t* px = &p[(static_cast<size_t>(y) * w + x) * 3];
            px[0] = static_cast<uint8_t>((x * 255 / w + n) & 0xFF);
            px[1] = static_cast<uint8_t>((y * 255 / h + ((x / 64 + y / 64) % 2) * 40 + n) & 0xFF);
            px[2] = static_cast<uint8_t>(((x ^ y) / 16 + n) & 0xFF);
        }
    return p;
}

struct Part {
    const char* name;
    double seconds = 0;
    int64_t pixels = 0;
    int64_t bytes = 0;
    int tiles = 0;
};

void time_tile(Part& part, const std::vector<uint8_t>& pic, int32_t width, int32_t col, int32_t row,
               int32_t tw, int32_t th, int32_t code, int16_t chain, MemorySink& sink) {
    TextureSettings s;
    texture_settings_init(s);
    s.g_texture_format = code;
    s.g_b_swap_rgb = code == 0 ? 1 : 0;
    s.g_mip_map_type = chain;
    s.user = &sink;
    s.write_sink = &MemorySink::write;
    sink.bytes.clear();
    const uint8_t* tile =
        pic.data() + static_cast<size_t>(row) * th * width * 3 + static_cast<size_t>(col) * tw * 3;
    const auto t0 = std::chrono::steady_clock::now();
    compress_texture(tile, tw, th, width * 3, s, 3, nullptr, nullptr);
    part.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    part.pixels += static_cast<int64_t>(tw) * th;
    part.bytes += static_cast<int64_t>(sink.bytes.size());
    part.tiles += 1;
}

}  // namespace

int main(int argc, char** argv) {
    int32_t width = 8192, height = 4096, tw = 512, th = 512;
    if (argc >= 5) {
        width = std::atoi(argv[1]);
        height = std::atoi(argv[2]);
        tw = std::atoi(argv[3]);
        th = std::atoi(argv[4]);
    }
    const int max_block_tiles = argc >= 6 ? std::atoi(argv[5]) : -1;
    if (width < 1 || height < 1 || tw < 1 || th < 1 || tw > width || th > height) {
        std::fprintf(stderr, "bad sizes\n");
        return 2;
    }
    const std::vector<uint8_t> pic = make_picture(width, height);
    MemorySink sink;
    sink.bytes.reserve(static_cast<size_t>(tw) * th * 4 + 4096);

    Part rgb{"24-bit (code 8)"}, level0{"24-bit, level 0 only"}, dxt{"DXT1 (code 0)"};
    const int32_t rows = height / th, cols = width / tw;
    for (int32_t row = 0; row < rows; ++row)
        for (int32_t col = 0; col < cols; ++col) {
            time_tile(rgb, pic, width, col, row, tw, th, 8, 30, sink);
            time_tile(level0, pic, width, col, row, tw, th, 8, 32, sink);
            if (max_block_tiles < 0 || dxt.tiles < max_block_tiles)
                time_tile(dxt, pic, width, col, row, tw, th, 0, 30, sink);
        }

    std::printf("texcomp: %dx%d picture, %dx%d tiles (%d x %d)\n", width, height, tw, th, cols,
                rows);
    std::printf("%-22s %6s %10s %10s %12s %12s\n", "part", "tiles", "seconds", "MP/s", "ms/tile",
                "out bytes");
    for (const Part* p : {&rgb, &level0, &dxt}) {
        const double mp = p->seconds > 0 ? p->pixels / 1e6 / p->seconds : 0.0;
        const double ms = p->tiles ? 1e3 * p->seconds / p->tiles : 0.0;
        std::printf("%-22s %6d %10.3f %10.2f %12.2f %12lld\n", p->name, p->tiles, p->seconds, mp,
                    ms, static_cast<long long>(p->bytes));
    }
    if (dxt.tiles > 0 && rgb.tiles > 0) {
        const double per_tile_rgb = rgb.seconds / rgb.tiles, per_tile_dxt = dxt.seconds / dxt.tiles;
        std::printf("24-bit / DXT1 time per tile: %.3f\n", per_tile_rgb / per_tile_dxt);
    }
    return 0;
}
