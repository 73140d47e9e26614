// Times the palettised formats on a photo-like picture: code 10 (256
// colours) and code 14 (16 colours), whole texture with its mip chain, from
// 3 and from 4 planes; beside ImageMagick reducing the same picture to 256
// (and 16) colours without dithering on one thread. Each result is read back
// through its palette and compared with the source (mean absolute error per
// colour channel, level 0 only).
//
// usage: bench_palette [side [work_dir]]
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "texcomp/texcomp.h"

namespace {

struct MemorySink {
    std::vector<std::vector<uint8_t>> runs;
    static int32_t write(int32_t count, const uint8_t* buffer, void* user) {
        static_cast<MemorySink*>(user)->runs.emplace_back(buffer, buffer + count);
        return count;
    }
};

// A photo-like picture, bytes R, G, B: shaded sky, a ridge with a hard edge,
// a lit disc, textured ground and fine sensor noise.
std::vector<uint8_t> make_photo(int32_t side) {
    std::vector<uint8_t> p(static_cast<size_t>(side) * side * 3);
    uint32_t noise = 2463534242u;
    auto rnd = [&noise]() {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        return noise;
    };
    for (int32_t y = 0; y < side; ++y)
        for (int32_t x = 0; x < side; ++x) {
            const double u = static_cast<double>(x) / side, v = static_cast<double>(y) / side;
            double r = 70 + 90 * v + 30 * u, g = 120 + 70 * v, b = 230 - 60 * v;
            const double ridge = 0.45 + 0.08 * std::sin(u * 17.0) + 0.04 * std::sin(u * 53.0);
            if (v > ridge) {
                const double t = (v - ridge) * 3;
                r = 60 + 50 * t + 20 * std::sin(x * 0.21) * std::sin(y * 0.17);
                g = 85 + 60 * t + 25 * std::sin(x * 0.05 + y * 0.11);
                b = 40 + 20 * t;
            }
            const double dx = u - 0.7, dy = v - 0.25;
            if (dx * dx + dy * dy < 0.008) {
                r = 250 - 400 * (dx * dx + dy * dy);
                g = 220 - 900 * (dx * dx + dy * dy);
                b = 150;
            }
            const double n = static_cast<double>(rnd() % 13) - 6;
            auto clamp = [](double c) {
                return static_cast<uint8_t>(c < 0 ? 0 : (c > 255 ? 255 : c));
            };
            uint8_t* px = &p[(static_cast<size_t>(y) * side + x) * 3];
            px[0] = clamp(r + n);
            px[1] = clamp(g + n);
            px[2] = clamp(b + n);
        }
    return p;
}

double cpu_seconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + 1e-6 * (u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

double mean_error(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += std::abs(static_cast<int>(a[i]) - b[i]);
    return sum / static_cast<double>(a.size());
}

struct Result {
    double wall = 0, cpu = 0, error = 0;
};

// The stream's level 0 read back through the palette, as R, G, B bytes in
// the picture's byte order (the palette's blue is the picture's first byte).
std::vector<uint8_t> decode_level0(const MemorySink& sink, int32_t code, int32_t side) {
    const std::vector<uint8_t>& pal = sink.runs.at(2);
    const std::vector<uint8_t>& level = sink.runs.at(3);
    std::vector<uint8_t> out(static_cast<size_t>(side) * side * 3);
    for (int64_t i = 0; i < static_cast<int64_t>(side) * side; ++i) {
        const int k = code == 10 ? level[i] : ((i & 1) ? level[i / 2] >> 4 : level[i / 2] & 15);
        out[3 * i] = pal[4 * k + 2];
        out[3 * i + 1] = pal[4 * k + 1];
        out[3 * i + 2] = pal[4 * k];
    }
    return out;
}

Result run_ours(const std::vector<uint8_t>& rgb, int32_t side, int32_t code, int32_t planes,
                int32_t threads = 1) {
    std::vector<uint8_t> pic;
    if (planes == 3) {
        pic = rgb;
    } else {
        pic.reserve(rgb.size() / 3 * 4);
        for (size_t i = 0; i < rgb.size(); i += 3) {
            pic.insert(pic.end(), rgb.begin() + i, rgb.begin() + i + 3);
            pic.push_back(255);
        }
    }
    TextureSettings s;
    texture_settings_init(s);
    s.g_texture_format = code;
    s.threads = threads;
    MemorySink sink;
    s.user = &sink;
    s.write_sink = &MemorySink::write;
    Result r;
    const double c0 = cpu_seconds(RUSAGE_SELF);
    const auto t0 = std::chrono::steady_clock::now();
    const int32_t status =
        compress_texture(pic.data(), side, side, side * planes, s, planes, nullptr, nullptr);
    r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.cpu = cpu_seconds(RUSAGE_SELF) - c0;
    if (status != 0) {
        std::fprintf(stderr, "compress_texture: %d\n", status);
        std::exit(1);
    }
    r.error = mean_error(rgb, decode_level0(sink, code, side));
    return r;
}

bool write_ppm(const std::string& path, const std::vector<uint8_t>& rgb, int32_t side) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", side, side);
    const bool ok = std::fwrite(rgb.data(), 1, rgb.size(), f) == rgb.size();
    return std::fclose(f) == 0 && ok;
}

bool read_ppm(const std::string& path, std::vector<uint8_t>& rgb, int32_t side) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    int w = 0, h = 0, max = 0;
    const bool head = std::fscanf(f, "P6 %d %d %d", &w, &h, &max) == 3 && std::fgetc(f) != EOF;
    rgb.assign(static_cast<size_t>(side) * side * 3, 0);
    const bool ok = head && w == side && h == side && max == 255 &&
                    std::fread(rgb.data(), 1, rgb.size(), f) == rgb.size();
    std::fclose(f);
    return ok;
}

// ImageMagick: -colors n without dithering, one thread; the time includes
// reading and writing the PPM files.
bool run_peer(const std::vector<uint8_t>& rgb, int32_t side, int32_t colours,
              const std::string& dir, Result& r) {
    const std::string in = dir + "/palette_in.ppm", out = dir + "/palette_out.ppm";
    if (!write_ppm(in, rgb, side)) return false;
    // Debian's ImageMagick itself, not whatever else is called convert on PATH.
    const char* convert = access("/usr/bin/convert-im6.q16", X_OK) == 0 ? "/usr/bin/convert-im6.q16"
                                                                        : "/usr/bin/convert";
    const std::string cmd = std::string(convert) + " -limit thread 1 " + in + " +dither -colors " +
                            std::to_string(colours) + " " + out;
    const double c0 = cpu_seconds(RUSAGE_CHILDREN);
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(cmd.c_str()) != 0) return false;
    r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.cpu = cpu_seconds(RUSAGE_CHILDREN) - c0;
    std::vector<uint8_t> back;
    if (!read_ppm(out, back, side)) return false;
    r.error = mean_error(rgb, back);
    return true;
}

void print(const char* name, const Result& r, double mp) {
    std::printf("%-34s %9.3f %9.3f %10.2f %10.2f\n", name, r.wall, r.cpu, mp / r.cpu, r.error);
}

}  // namespace

int main(int argc, char** argv) {
    const int32_t side = argc >= 2 ? std::atoi(argv[1]) : 1024;
    const std::string dir = argc >= 3 ? argv[2] : ".";
    if (side < 4 || side > 8192) {
        std::fprintf(stderr, "bad side\n");
        return 2;
    }
    const std::vector<uint8_t> rgb = make_photo(side);
    const double mp = static_cast<double>(side) * side / 1e6;

    std::printf(
        "palette: %dx%d photo-like picture; MP/s = level-0 megapixels per processor "
        "second (the whole mip chain for ours)\n",
        side, side);
    std::printf("%-34s %9s %9s %10s %10s\n", "run", "wall s", "cpu s", "MP/s", "mean err");
    Result ours10_3 = run_ours(rgb, side, 10, 3);
    print("code 10, 3 planes (Wu)", ours10_3, mp);
    print("code 14, 3 planes (Wu)", run_ours(rgb, side, 14, 3), mp);
    const Result ours10_4 = run_ours(rgb, side, 10, 4);
    print("code 10, 4 planes (vector quant.)", ours10_4, mp);
    const Result ours10_4_two = run_ours(rgb, side, 10, 4, 2);
    print("code 10, 4 planes, 2 threads", ours10_4_two, mp);
    std::printf("code 10, 4 planes: %.2f MP/s wall on 1 thread, %.2f on 2 (speed-up %.2f)\n",
                mp / ours10_4.wall, mp / ours10_4_two.wall, ours10_4.wall / ours10_4_two.wall);
    print("code 14, 4 planes (vector quant.)", run_ours(rgb, side, 14, 4), mp);
    Result im256, im16;
    if (!run_peer(rgb, side, 256, dir, im256) || !run_peer(rgb, side, 16, dir, im16)) {
        std::printf("ImageMagick run failed; no peer figures\n");
        return 0;
    }
    print("ImageMagick -colors 256 +dither", im256, mp);
    print("ImageMagick -colors 16 +dither", im16, mp);
    std::printf("code 10 (3 planes) / ImageMagick 256: speed ratio %.2f (cpu), error ratio %.2f\n",
                im256.cpu / ours10_3.cpu, ours10_3.error / im256.error);
    return 0;
}
