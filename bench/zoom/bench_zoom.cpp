// Resampling benchmark: the mip chain of a 4096 x 4096 four-channel picture
// (every level made from the full picture, triangle filter, as the texture
// pipeline does) and a 300 x 300 to 256 x 256 cubic rescale, on one thread.
// ImageMagick's triangle reduction of the same picture is timed in the same
// run and the ratio printed. Usage: bench_zoom <work dir> [convert program]
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/peer_timing.h"
#include "zoom/zoom.h"

namespace {
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Smooth gradients, a few sharp edges and some noise: a picture with both
// flat areas and detail, the same on every run.
std::vector<uint8_t> make_picture(int w, int h) {
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
    uint32_t state = 0x2545F491u;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
            int noise = static_cast<int>(state & 31) - 16;
            int edge = (((x / 97) + (y / 61)) & 1) ? 60 : 0;
            p[0] = static_cast<uint8_t>(std::min(255, std::max(0, (x * 255) / w + noise / 2)));
            p[1] =
                static_cast<uint8_t>(std::min(255, std::max(0, (y * 200) / h + edge / 2 + noise)));
            p[2] = static_cast<uint8_t>(std::min(255, std::max(0, 128 + edge - noise)));
            p[3] = static_cast<uint8_t>(((x ^ y) & 64) ? 255 : 160 + (state >> 28));
        }
    }
    return px;
}

// One resampling call exactly as the texture pipeline makes it.
std::vector<uint8_t> resample(uint8_t* pixels, int w, int h, int nchan, int nw, int nh,
                              int filter_index) {
    MemoryPicture src;
    src.bind(pixels, w, h, w * nchan, nchan);
    MemoryPicture dst;
    dst.allocate(nw, nh, nchan);
    ZoomWindow swin{};
    swin.x0 = swin.x1 = ZOOM_UNSET;
    if (swin.x0 == ZOOM_UNSET) picture_get_window(&src, &swin);
    ZoomWindow dwin{};
    dwin.nx = nw;
    dwin.ny = nh;
    window_set_corner(dwin);
    ZoomFilter xf = filter_at(filter_index);
    ZoomFilter yf = filter_at(filter_index);
    ZoomOptions options{0, 0, 1, ZOOM_UNSET, 1};
    zoom_opt(options, &src, swin, &dst, dwin, xf, yf, 0, 0);
    std::vector<uint8_t> out(dst.pixels, dst.pixels + static_cast<size_t>(nw) * nh * nchan);
    dst.release();
    return out;
}

struct ChainRun {
    std::vector<Timing> times;  // per level
    std::vector<uint64_t> hashes;
    std::vector<std::vector<uint8_t>> levels;
};

ChainRun run_chain(std::vector<uint8_t>& pic, int side, bool keep) {
    ChainRun run;
    for (int s = side / 2; s >= 1; s /= 2) {
        auto t0 = Clock::now();
        double c0 = cpu_seconds();
        std::vector<uint8_t> level = resample(pic.data(), side, side, 4, s, s, 2);
        run.times.push_back(Timing{seconds_since(t0), cpu_seconds() - c0});
        run.hashes.push_back(fnv1a(level.data(), level.size()));
        if (keep) run.levels.push_back(std::move(level));
    }
    return run;
}

bool read_file(const std::string& path, std::vector<uint8_t>& out, size_t n) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    out.resize(n);
    bool ok = std::fread(out.data(), 1, n, f) == n;
    std::fclose(f);
    return ok;
}

// PSNR of our RGBA level against ImageMagick's, over the colour channels and
// alpha alike (our rows hold b, g, r, a; the raw file holds r, g, b, a).
double psnr(const std::vector<uint8_t>& ours, const std::vector<uint8_t>& theirs) {
    double se = 0.0;
    size_t n = ours.size() / 4;
    for (size_t i = 0; i < n; ++i) {
        for (int c = 0; c < 4; ++c) {
            double d = static_cast<double>(ours[i * 4 + c]) - theirs[i * 4 + c];
            se += d * d;
        }
    }
    double mse = se / (n * 4.0);
    return mse == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}
}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    const std::string convert = argc > 2 ? argv[2] : "";
    const int side = 4096;
    const double mp = side * static_cast<double>(side) / 1e6;

    std::vector<uint8_t> pic = make_picture(side, side);
    std::printf("source: %dx%d, 4 channels, hash %016llx\n", side, side,
                static_cast<unsigned long long>(fnv1a(pic.data(), pic.size())));

    // Two runs: the faster one counts, and both must give the same bytes.
    ChainRun first = run_chain(pic, side, true);
    ChainRun second = run_chain(pic, side, false);
    bool identical = first.hashes == second.hashes;
    Timing total;
    std::printf("\n%-6s %10s %10s %10s  %-16s\n", "level", "cpu ms", "wall ms", "MP/s", "hash");
    for (size_t i = 0; i < first.times.size(); ++i) {
        double cpu = std::min(first.times[i].cpu, second.times[i].cpu);
        double wall = std::min(first.times[i].wall, second.times[i].wall);
        total.cpu += cpu;
        total.wall += wall;
        std::printf("%-6d %10.2f %10.2f %10.1f  %016llx\n", side >> (i + 1), cpu * 1e3, wall * 1e3,
                    mp / cpu, static_cast<unsigned long long>(first.hashes[i]));
    }
    const double levels = static_cast<double>(first.times.size());
    std::printf(
        "chain: %.3f s processor time (%.3f s wall) for %.0f levels, %.1f source MP/s; "
        "runs identical: %s\n",
        total.cpu, total.wall, levels, levels * mp / total.cpu, identical ? "yes" : "NO");

    // The compression entry's power-of-two rescale: 300 x 300 to 256 x 256,
    // cubic, three channels like the tool's tiles.
    std::vector<uint8_t> small(300 * 300 * 3);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x)
            for (int c = 0; c < 3; ++c)
                small[(y * 300 + x) * 3 + c] = pic[(static_cast<size_t>(y) * side + x) * 4 + c];
    const int reps = 50;
    uint64_t cubic_hash = 0;
    bool cubic_same = true;
    double c0 = cpu_seconds();
    for (int r = 0; r < reps; ++r) {
        std::vector<uint8_t> out = resample(small.data(), 300, 300, 3, 256, 256, 4);
        uint64_t h = fnv1a(out.data(), out.size());
        if (r > 0 && h != cubic_hash) cubic_same = false;
        cubic_hash = h;
    }
    double tc = (cpu_seconds() - c0) / reps;
    std::printf(
        "cubic 300x300 -> 256x256: %.3f ms, %.1f source MP/s, hash %016llx, runs identical: %s\n",
        tc * 1e3, 0.09 / tc, static_cast<unsigned long long>(cubic_hash),
        cubic_same ? "yes" : "NO");

    if (convert.empty()) {
        std::printf("\nImageMagick: not run (no convert program given)\n");
        return identical && cubic_same ? 0 : 1;
    }

    // ImageMagick reads the raw RGBA picture once and makes every level from
    // it in one invocation; a second invocation that only reads the picture
    // is subtracted, leaving the resizes (and the writing of the small level
    // files, which is tiny beside them).
    std::vector<uint8_t> rgba(pic.size());
    for (size_t i = 0; i < pic.size(); i += 4) {
        rgba[i] = pic[i + 2];
        rgba[i + 1] = pic[i + 1];
        rgba[i + 2] = pic[i];
        rgba[i + 3] = pic[i + 3];
    }
    const std::string in = dir + "/zoom_src.rgba";
    if (!write_file(in, rgba.data(), rgba.size())) {
        std::fprintf(stderr, "cannot write %s\n", in.c_str());
        return 1;
    }
    const std::string head = imagemagick_reading(convert, in, side);
    std::string cmd = head + " -filter Triangle";
    for (int s = side / 2; s >= 1; s /= 2) {
        cmd += " \\( +clone -resize " + std::to_string(s) + "x" + std::to_string(s) +
               "! -write rgba:" + dir + "/zoom_im_" + std::to_string(s) + ".rgba +delete \\)";
    }
    cmd += " null:";
    Timing best_all{1e30, 1e30};
    Timing best_base{1e30, 1e30};
    for (int r = 0; r < 2; ++r) {
        Timing all, base;
        if (!timed_system(cmd, all) || !timed_system(head + " null:", base)) return 1;
        best_all = Timing{std::min(best_all.wall, all.wall), std::min(best_all.cpu, all.cpu)};
        best_base = Timing{std::min(best_base.wall, base.wall), std::min(best_base.cpu, base.cpu)};
    }
    const Timing im{best_all.wall - best_base.wall, best_all.cpu - best_base.cpu};
    std::printf(
        "\nImageMagick (convert -filter Triangle -resize WxH!, MAGICK_THREAD_LIMIT=1): all levels "
        "%.3f s processor time (%.3f s wall; invocation %.3f s less read-only invocation "
        "%.3f s), %.1f source MP/s\n",
        im.cpu, im.wall, best_all.cpu, best_base.cpu, levels * mp / im.cpu);
    const double ratio = im.cpu / total.cpu;
    std::printf(
        "ratio (ImageMagick time / our time): %.2f processor, %.2f wall  (target >= 2: %s)\n",
        ratio, im.wall / total.wall, ratio >= 2.0 ? "met" : "NOT met");

    std::printf("\n%-6s %12s\n", "level", "PSNR vs IM");
    size_t li = 0;
    for (int s = side / 2; s >= 1; s /= 2, ++li) {
        std::vector<uint8_t> theirs;
        const size_t n = static_cast<size_t>(s) * s * 4;
        if (!read_file(dir + "/zoom_im_" + std::to_string(s) + ".rgba", theirs, n)) continue;
        std::vector<uint8_t> ours = first.levels[li];
        for (size_t i = 0; i < ours.size(); i += 4) std::swap(ours[i], ours[i + 2]);
        std::printf("%-6d %9.2f dB\n", s, psnr(ours, theirs));
    }
    return identical && cubic_same ? 0 : 1;
}
