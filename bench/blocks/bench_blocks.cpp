// Block-encoder benchmark: our DXT1 encoder (full search as the tool runs it,
// full search with four colours forced, quick search) against libsquish and
// stb_dxt, on real photographs and on the project's sample picture. For each
// encoder: megapixels per second on one thread, and the RGB RMSE after
// decoding, unweighted and weighted with the tool's channel weights.
//
// usage: bench_blocks [--sample picture.bmp] [--max-photos N] [--only TEXT]
//                     [--crop SIDE] [--write-crops DIR]
//                     [--peer NAME SECONDS DIR ...] [photo.jpg ...]
// --crop keeps the SIDE x SIDE square at each photograph's centre.
// --write-crops writes each (cropped) photograph as DIR/<n>.ppm (n = 0, 1,
// ...) and stops, so that encoders outside this process can be run on the
// very same pixels; --peer then adds such an encoder's results to the photo
// table: DIR/<n>.dds (a DX9 DXT1 texture, read with the project's own
// reader), SECONDS its total time on all of them.
// --only keeps the encoders whose name contains TEXT, or one of several
// comma-separated texts (for quick looks).
// Speeds are measured in processor time of the benchmark's one thread.
//
// Weighted RMSE = sqrt(sum (w_c * d_c)^2 / (pixels * sum w_c^2)) with
// w = (0.309, 0.609, 0.082): the error both our search and libsquish (given
// the same weights as its metric) minimise, scaled back to channel levels.
// Every encoder's blocks are decoded by the same decoder, the blocks
// library's palette rule (block_palette_entry), under each of three readings
// of the interpolated entries: rounded to nearest (the project's own decoder,
// which the plain RMSE columns use), exact real-valued thirds (what an ideal
// decoder approaches) and truncated (as ImageMagick 6 reads DDS files).
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/blocks/bench_images.h"
#include "bench/blocks/peers.h"
#include "blocks/blocks.h"
#include "texfile/texfile.h"

namespace {

const double kWeights[3] = {0.309, 0.609, 0.082};

struct Encoder {
    std::string name;
    // Ours: quality, force flag and metric; peers: the peer entry.
    int ours = 0;  // 1 for our encoder
    BlockQuality quality = BlockQuality::Normal;
    int force_four = 0;
    int uniform = 0;  // equal channel weights instead of the perceptual ones
    PeerEncoder peer{};
    BlockDecoder decoder = BlockDecoder::Nearest;  // the reading ours aims at
    // An encoder run outside this process: its textures and total time.
    std::string dds_dir = "";
    double seconds = 0.0;
};

constexpr BlockDecoder kReadings[3] = {BlockDecoder::Nearest, BlockDecoder::Exact,
                                       BlockDecoder::Truncate};
const char* const kReadingNames[3] = {"nearest", "exact", "truncate"};

struct Tally {
    double seconds = 0.0;
    double pixels = 0.0;
    double squared = 0.0;   // sum of d_c^2 over channels and pixels (nearest reading)
    double weighted = 0.0;  // sum of (w_c d_c)^2 (nearest reading)
    double rmse_sum = 0.0;  // of each picture's own RMSE (nearest reading)
    double reading_squared[3] = {0.0, 0.0, 0.0};   // per reading, this picture
    double reading_rmse_sum[3] = {0.0, 0.0, 0.0};  // per reading, of the pictures' own RMSE
    int pictures = 0;
    double mean_rmse() const { return pictures > 0 ? rmse_sum / pictures : 0.0; }
    double mean_rmse(int r) const { return pictures > 0 ? reading_rmse_sum[r] / pictures : 0.0; }
    double mps() const { return seconds > 0 ? pixels / seconds / 1e6 : 0.0; }
    double rmse() const { return std::sqrt(squared / (3.0 * pixels)); }
    double wrmse() const {
        const double wsum =
            kWeights[0] * kWeights[0] + kWeights[1] * kWeights[1] + kWeights[2] * kWeights[2];
        return std::sqrt(weighted / (pixels * wsum));
    }
};

void encode_ours(const BenchImage& img, const Encoder& e, std::vector<uint8_t>& out) {
    const BlockLevel level{reinterpret_cast<const uint8_t*>(img.argb.data()), img.width, img.height,
                           int64_t(img.width) * 4, ChannelOrder::Bgra};
    BlockOptions o;
    o.quality = e.quality;
    o.force_four = e.force_four != 0;
    o.decoder = e.decoder;
    if (e.uniform)
        for (int c = 0; c < 3; ++c) o.weights[c] = uniform_weights[c];
    encode_blocks(level, o, out.data(), int64_t(out.size()));
}

// Decodes one DXT1 block's 16 colours (R, G, B) under `reading`.
void decode_block(const uint8_t* b, BlockDecoder reading, double rgb[16][3]) {
    const uint32_t c[2] = {uint32_t(b[0] | (b[1] << 8)), uint32_t(b[2] | (b[3] << 8))};
    int ends[2][3];
    for (int k = 0; k < 2; ++k) {
        const int r = int(c[k] >> 11) & 31, g = int(c[k] >> 5) & 63, bl = int(c[k]) & 31;
        ends[k][0] = (r << 3) | (r >> 2);
        ends[k][1] = (g << 2) | (g >> 4);
        ends[k][2] = (bl << 3) | (bl >> 2);
    }
    const int colours = c[0] > c[1] ? 4 : 3;
    double pal[4][3];
    for (int j = 0; j < 4; ++j)
        for (int ch = 0; ch < 3; ++ch)
            pal[j][ch] = block_palette_entry(ends[0][ch], ends[1][ch], colours, j, reading);
    const uint32_t word =
        uint32_t(b[4]) | (uint32_t(b[5]) << 8) | (uint32_t(b[6]) << 16) | (uint32_t(b[7]) << 24);
    for (int p = 0; p < 16; ++p)
        for (int ch = 0; ch < 3; ++ch) rgb[p][ch] = pal[(word >> (2 * p)) & 3][ch];
}

void add_errors(const BenchImage& img, const std::vector<uint8_t>& blocks, Tally& t) {
    for (int r = 0; r < 3; ++r) {
        const uint8_t* b = blocks.data();
        for (int y0 = 0; y0 < img.height; y0 += 4)
            for (int x0 = 0; x0 < img.width; x0 += 4, b += 8) {
                double rgb[16][3];
                decode_block(b, kReadings[r], rgb);
                for (int p = 0; p < 16; ++p) {
                    const uint8_t* s =
                        &img.rgba[(size_t(y0 + p / 4) * size_t(img.width) + size_t(x0 + p % 4)) *
                                  4];
                    for (int ch = 0; ch < 3; ++ch) {
                        const double d = rgb[p][ch] - s[ch];
                        t.reading_squared[r] += d * d;
                        if (kReadings[r] != BlockDecoder::Nearest) continue;
                        t.squared += d * d;
                        t.weighted += kWeights[ch] * kWeights[ch] * d * d;
                    }
                }
            }
    }
}

// Processor time of this thread: the machine may be shared, and every encoder
// runs on this one thread, so its own time is the fair measure.
double thread_seconds() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Keeps the side x side square at the picture's centre (whole blocks).
void crop_centre(BenchImage& img, int side) {
    side &= ~3;
    if (side <= 0 || side > img.width || side > img.height) return;
    const int x0 = ((img.width - side) / 2) & ~3, y0 = ((img.height - side) / 2) & ~3;
    std::vector<uint32_t> argb(size_t(side) * size_t(side));
    std::vector<uint8_t> rgba(argb.size() * 4);
    for (int y = 0; y < side; ++y) {
        const size_t from = size_t(y0 + y) * size_t(img.width) + size_t(x0);
        std::memcpy(&argb[size_t(y) * size_t(side)], &img.argb[from], size_t(side) * 4);
        std::memcpy(&rgba[size_t(y) * size_t(side) * 4], &img.rgba[from * 4], size_t(side) * 4);
    }
    img.argb.swap(argb);
    img.rgba.swap(rgba);
    img.width = img.height = side;
}

double encode_once(const BenchImage& img, const Encoder& e, std::vector<uint8_t>& out) {
    const double start = thread_seconds();
    if (e.ours)
        encode_ours(img, e, out);
    else
        e.peer.encode(img.rgba.data(), img.width, img.height, out.data(), e.peer.variant);
    return thread_seconds() - start;
}

// The picture's errors, added to the totals and to the mean of the
// pictures' own RMSE.
void add_picture(const BenchImage& img, const std::vector<uint8_t>& blocks, Tally& t) {
    Tally own;
    own.pixels = double(img.width) * img.height;
    add_errors(img, blocks, own);
    t.squared += own.squared;
    t.weighted += own.weighted;
    t.rmse_sum += own.rmse();
    for (int r = 0; r < 3; ++r)
        t.reading_rmse_sum[r] += std::sqrt(own.reading_squared[r] / (3.0 * own.pixels));
    t.pictures += 1;
}

// Level 0 of an outside encoder's texture for picture `n`, as DXT1 blocks.
bool read_peer_blocks(const Encoder& e, size_t n, const BenchImage& img,
                      std::vector<uint8_t>& out) {
    TexFile file;
    std::string error;
    const std::string path = e.dds_dir + "/" + std::to_string(n) + ".dds";
    if (!read_tex_file(path, file, error) || file.format != 0 || file.levels.empty() ||
        file.levels[0].width != img.width || file.levels[0].height != img.height) {
        std::printf("note: %s: %s\n", path.c_str(),
                    error.empty() ? "not a DXT1 level" : error.c_str());
        return false;
    }
    const TexLevel& level = file.levels[0];
    out.assign(file.bytes.begin() + level.offset, file.bytes.begin() + level.offset + level.size);
    return true;
}

// Every encoder runs once on the picture; the fast ones (under a second) then
// run four more rounds, taking turns, and keep their best time. Taking turns
// puts them under the same load when the machine is shared, and the best time
// evens out the rest of the noise.
void run_picture(const BenchImage& img, size_t n, const std::vector<Encoder>& encoders,
                 std::vector<Tally>& t) {
    const size_t bytes = size_t(img.width / 4) * size_t(img.height / 4) * 8;
    std::vector<double> best(encoders.size());
    for (size_t i = 0; i < encoders.size(); ++i) {
        std::vector<uint8_t> out(bytes);
        if (!encoders[i].dds_dir.empty()) {
            // Its time comes as one total for all pictures.
            if (read_peer_blocks(encoders[i], n, img, out)) add_picture(img, out, t[i]);
            best[i] = 1e9;
            continue;
        }
        best[i] = encode_once(img, encoders[i], out);
        add_picture(img, out, t[i]);
    }
    std::vector<uint8_t> out(bytes);
    for (int round = 0; round < 4; ++round)
        for (size_t i = 0; i < encoders.size(); ++i)
            if (best[i] < 1.0) best[i] = std::min(best[i], encode_once(img, encoders[i], out));
    for (size_t i = 0; i < encoders.size(); ++i) {
        t[i].seconds += encoders[i].dds_dir.empty() ? best[i] : 0.0;
        t[i].pixels += double(img.width) * img.height;
    }
}

const Tally* find(const std::vector<Encoder>& encoders, const std::vector<Tally>& tallies,
                  const std::string& name) {
    for (size_t i = 0; i < encoders.size(); ++i)
        if (encoders[i].name == name) return &tallies[i];
    return nullptr;
}

void print_table(const std::string& title, const std::vector<Encoder>& encoders,
                 const std::vector<Tally>& t) {
    std::printf("\n== %s (%.1f MP)\n", title.c_str(), t[0].pixels / 1e6);
    std::printf("%-44s %8s %8s %8s %10s %10s\n", "encoder", "MP/s", "RMSE", "wRMSE", "speed/ref",
                "wRMSE/ref");
    const Tally& ref = t[0];
    for (size_t i = 0; i < encoders.size(); ++i)
        std::printf("%-44s %8.3f %8.3f %8.3f %10.2f %10.3f\n", encoders[i].name.c_str(), t[i].mps(),
                    t[i].rmse(), t[i].wrmse(), t[i].mps() / ref.mps(), t[i].wrmse() / ref.wrmse());
    std::printf("(ref = %s)\n", encoders[0].name.c_str());
}

void print_targets(const std::vector<Encoder>& encoders, const std::vector<Tally>& t) {
    const Tally* tool = find(encoders, t, "ours full search (as the tool runs it)");
    const Tally* four = find(encoders, t, "ours full search, four colours forced");
    const Tally* quick = find(encoders, t, "ours quick search");
    const Tally* icf = find(encoders, t, "squish iterative cluster fit, our weights");
    const Tally* cf = find(encoders, t, "squish cluster fit, our weights");
    const Tally* stb_hq = find(encoders, t, "stb_dxt high quality");
    auto verdict = [](bool ok) { return ok ? "met" : "NOT met"; };
    if (!tool || !four || !quick) {
        std::printf("  not checked: some of our encoders were left out\n");
        return;
    }
    if (icf && cf) {
        std::printf(
            "  four colours forced: wRMSE %.3f vs squish ICF %.3f -> %s; speed %.3f vs squish CF "
            "%.3f MP/s -> %s\n",
            four->wrmse(), icf->wrmse(), verdict(four->wrmse() <= icf->wrmse()), four->mps(),
            cf->mps(), verdict(four->mps() >= cf->mps()));
        std::printf("  as the tool runs it: speed %.3f vs squish CF %.3f MP/s -> %s\n", tool->mps(),
                    cf->mps(), verdict(tool->mps() >= cf->mps()));
    } else {
        std::printf("  squish targets not checked: libsquish missing\n");
    }
    if (stb_hq)
        std::printf("  quick search: speed %.3f vs stb_dxt high quality %.3f MP/s -> %s\n",
                    quick->mps(), stb_hq->mps(), verdict(quick->mps() >= stb_hq->mps()));
    else
        std::printf("  quick-search target not checked: stb_dxt missing\n");
}

// The quality table: speed and uniform RMSE (mean of the pictures' own)
// under each reading of every encoder, and the targets of the quality levels.
void print_quality(const std::vector<Encoder>& encoders, const std::vector<Tally>& t) {
    std::printf("\n== DXT1 quality for the time spent (%d pictures, %.1f MP, one thread)\n",
                t[0].pictures, t[0].pixels / 1e6);
    std::printf(
        "mean RMSE over R, G, B of every encoder's blocks as our decoder reads them: "
        "thirds rounded to nearest, exact, truncated\n");
    std::printf("%-48s %8s %9s %9s %9s\n", "encoder", "MP/s", kReadingNames[0], kReadingNames[1],
                kReadingNames[2]);
    for (size_t i = 0; i < encoders.size(); ++i)
        std::printf("%-48s %8.3f %9.3f %9.3f %9.3f\n", encoders[i].name.c_str(), t[i].mps(),
                    t[i].mean_rmse(0), t[i].mean_rmse(1), t[i].mean_rmse(2));
    auto get = [&](const std::string& name) { return find(encoders, t, name); };
    const Tally* fast = get("ours fast, uniform");
    const Tally* normal = get("ours normal, uniform");
    const Tally* high = get("ours high, uniform");
    const Tally* im = get("ImageMagick cluster fit");
    const Tally* bc = get("bc7enc -1 -L18");
    const Tally* stb = get("stb_dxt high quality");
    auto verdict = [](bool ok) { return ok ? "met" : "NOT met"; };
    std::printf("targets (uniform metric):\n");
    if (high && normal && im)
        std::printf(
            "  high: RMSE %.3f vs ImageMagick cluster fit %.3f -> %s; speed %.3f vs normal "
            "%.3f MP/s -> %s\n",
            high->mean_rmse(), im->mean_rmse(), verdict(high->mean_rmse() <= im->mean_rmse()),
            high->mps(), normal->mps(), verdict(high->mps() >= normal->mps()));
    // Under each reading, best aimed at that reading against bc7enc.
    for (int r = 0; bc && r < 3; ++r) {
        const std::string aimed = r == 0
                                      ? "ours best, uniform"
                                      : std::string("ours best, uniform, aims ") + kReadingNames[r];
        const Tally* best = get(aimed);
        if (!best) continue;
        std::printf(
            "  best (%s reading, %s): RMSE %.3f vs bc7enc %.3f -> %s; speed %.3f vs 2 x bc7enc "
            "%.3f MP/s -> %s\n",
            kReadingNames[r], aimed.c_str(), best->mean_rmse(r), bc->mean_rmse(r),
            verdict(best->mean_rmse(r) <= bc->mean_rmse(r)), best->mps(), 2 * bc->mps(),
            verdict(best->mps() >= 2 * bc->mps()));
    }
    if (fast && stb)
        std::printf(
            "  fast: RMSE %.3f vs stb_dxt high quality %.3f -> %s; speed %.3f vs %.3f MP/s -> "
            "%s\n",
            fast->mean_rmse(), stb->mean_rmse(), verdict(fast->mean_rmse() <= stb->mean_rmse()),
            fast->mps(), stb->mps(), verdict(fast->mps() >= stb->mps()));
}

// The independent check of the truncated reading: an outside decoder's
// pictures DIR/<n>.ppm of one peer's textures, against the same crops. Its
// RMSE must equal what this benchmark reports for that peer under the
// truncated reading.
void check_outside_decode(const std::vector<BenchImage>& photos, const std::string& dir) {
    double sum = 0.0;
    int pictures = 0;
    for (size_t n = 0; n < photos.size(); ++n) {
        const std::string path = dir + "/" + std::to_string(n) + ".ppm";
        FILE* f = std::fopen(path.c_str(), "rb");
        int w = 0, h = 0, top = 0;
        if (!f || std::fscanf(f, "P6 %d %d %d", &w, &h, &top) != 3 || w != photos[n].width ||
            h != photos[n].height || top != 255 || std::fgetc(f) == EOF) {
            if (f) std::fclose(f);
            std::printf("note: %s: not a %d x %d PPM\n", path.c_str(), photos[n].width,
                        photos[n].height);
            return;
        }
        std::vector<uint8_t> rgb(size_t(w) * size_t(h) * 3);
        const bool whole = std::fread(rgb.data(), 1, rgb.size(), f) == rgb.size();
        std::fclose(f);
        if (!whole) return;
        double squared = 0.0;
        for (size_t p = 0; p < size_t(w) * size_t(h); ++p)
            for (int ch = 0; ch < 3; ++ch) {
                const double d = double(rgb[p * 3 + ch]) - photos[n].rgba[p * 4 + ch];
                squared += d * d;
            }
        sum += std::sqrt(squared / (3.0 * w * h));
        ++pictures;
    }
    if (pictures > 0)
        std::printf(
            "outside decoder's pictures in %s: mean RMSE %.3f (compare the truncate "
            "column)\n",
            dir.c_str(), sum / pictures);
}

void bench_set(const std::string& title, const std::vector<BenchImage>& images,
               const std::vector<Encoder>& encoders) {
    std::vector<Tally> tallies(encoders.size());
    for (size_t n = 0; n < images.size(); ++n) run_picture(images[n], n, encoders, tallies);
    for (size_t i = 0; i < encoders.size(); ++i)
        if (!encoders[i].dds_dir.empty()) tallies[i].seconds = encoders[i].seconds;
    print_table(title, encoders, tallies);
    std::printf("targets on %s:\n", title.c_str());
    print_targets(encoders, tallies);
}

}  // namespace

int main(int argc, char** argv) {
    std::string sample_path;
    size_t max_photos = 1000;
    std::string only;
    std::vector<std::string> photo_paths;
    int crop = 0;
    bool quality_table = false;
    std::string crops_dir;
    std::string outside_decode_dir;
    std::vector<Encoder> outside;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quality-table") == 0) {
            quality_table = true;
            continue;
        }
        if (std::strcmp(argv[i], "--outside-decode") == 0 && i + 1 < argc) {
            outside_decode_dir = argv[++i];
            continue;
        }
        if (std::strcmp(argv[i], "--write-crops") == 0 && i + 1 < argc) {
            crops_dir = argv[++i];
            continue;
        }
        if (std::strcmp(argv[i], "--peer") == 0 && i + 3 < argc) {
            Encoder e;
            e.name = argv[i + 1];
            e.seconds = std::atof(argv[i + 2]);
            e.dds_dir = argv[i + 3];
            outside.push_back(e);
            i += 3;
            continue;
        }
        if (std::strcmp(argv[i], "--crop") == 0 && i + 1 < argc) {
            crop = std::atoi(argv[++i]);
            continue;
        }
        if (std::strcmp(argv[i], "--sample") == 0 && i + 1 < argc)
            sample_path = argv[++i];
        else if (std::strcmp(argv[i], "--max-photos") == 0 && i + 1 < argc)
            max_photos = size_t(std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc)
            only = argv[++i];
        else
            photo_paths.push_back(argv[i]);
    }
    // The tool's weights are the standard ones (perceptual_weights).
    std::vector<Encoder> encoders;
    using Q = BlockQuality;
    encoders.push_back({"ours full search (as the tool runs it)", 1, Q::Normal, 0, 0, {}});
    encoders.push_back({"ours full search, four colours forced", 1, Q::Normal, 1, 0, {}});
    encoders.push_back({"ours quick search", 1, Q::Quick, 0, 0, {}});
    const char* level_names[] = {"quick", "normal", "high", "best", "fast"};
    for (int uniform = 0; uniform < 2; ++uniform)
        for (Q q : {Q::Quick, Q::Fast, Q::Normal, Q::High, Q::Best})
            encoders.push_back({std::string("ours ") + level_names[int(q)] +
                                    (uniform ? ", uniform" : ", perceptual"),
                                1,
                                q,
                                0,
                                uniform,
                                {}});
    // Best aimed at the other two readings, for their columns.
    for (BlockDecoder reading : {BlockDecoder::Exact, BlockDecoder::Truncate}) {
        Encoder e{std::string("ours best, uniform, aims ") + kReadingNames[int(reading)],
                  1,
                  Q::Best,
                  0,
                  1,
                  {}};
        e.decoder = reading;
        encoders.push_back(e);
    }
    for (const PeerEncoder& p : available_peers()) {
        Encoder e;
        e.name = p.name;
        e.peer = p;
        encoders.push_back(e);
    }
    for (const std::string& note : missing_peers()) std::printf("note: %s\n", note.c_str());
    encoders.insert(encoders.end(), outside.begin(), outside.end());
    if (!only.empty()) {
        std::vector<Encoder> kept;
        for (const Encoder& e : encoders)
            for (size_t from = 0; from <= only.size();) {
                const size_t comma = std::min(only.find(',', from), only.size());
                if (e.name.find(only.substr(from, comma - from)) != std::string::npos) {
                    kept.push_back(e);
                    break;
                }
                from = comma + 1;
            }
        encoders = kept;
        if (encoders.empty()) return 0;
    }

    std::vector<BenchImage> photos;
    for (const std::string& path : photo_paths) {
        if (photos.size() >= max_photos) break;
        BenchImage img;
        if (load_jpeg(path, img)) {
            if (crop > 0) crop_centre(img, crop);
            photos.push_back(std::move(img));
        } else
            std::printf("note: cannot read %s, skipped\n", path.c_str());
    }
    if (!crops_dir.empty()) {
        for (size_t n = 0; n < photos.size(); ++n) {
            const std::string path = crops_dir + "/" + std::to_string(n) + ".ppm";
            FILE* f = std::fopen(path.c_str(), "wb");
            bool ok = f != nullptr;
            if (f) {
                std::fprintf(f, "P6\n%d %d\n255\n", photos[n].width, photos[n].height);
                for (size_t p = 0; ok && p < photos[n].rgba.size(); p += 4)
                    ok = std::fwrite(&photos[n].rgba[p], 1, 3, f) == 3;
                ok = std::fclose(f) == 0 && ok;
            }
            if (!ok) {
                std::printf("cannot write %s\n", path.c_str());
                return 1;
            }
            std::printf("%s %s\n", path.c_str(), photos[n].name.c_str());
        }
        return 0;
    }
    if (quality_table) {
        // Ours at every level with both metrics, and the peers with the
        // uniform one.
        std::vector<Encoder> kept;
        auto has = [](const Encoder& e, const char* text) {
            return e.name.find(text) != std::string::npos;
        };
        for (const Encoder& e : encoders)
            if (has(e, ", uniform") || (e.ours && has(e, ", perceptual")) || !e.dds_dir.empty() ||
                e.name == "stb_dxt high quality")
                kept.push_back(e);
        std::vector<Tally> tallies(kept.size());
        for (size_t n = 0; n < photos.size(); ++n) run_picture(photos[n], n, kept, tallies);
        for (size_t i = 0; i < kept.size(); ++i)
            if (!kept[i].dds_dir.empty()) tallies[i].seconds = kept[i].seconds;
        print_quality(kept, tallies);
        if (!outside_decode_dir.empty()) check_outside_decode(photos, outside_decode_dir);
        return 0;
    }
    if (photos.empty()) {
        std::printf(
            "note: no photographs (Debian plasma-workspace-wallpapers not installed?): photo table "
            "skipped\n");
    } else {
        std::printf("photographs: %zu, first %s (%d x %d)\n", photos.size(), photos[0].name.c_str(),
                    photos[0].width, photos[0].height);
        bench_set("photographs", photos, encoders);
    }

    BenchImage sample;
    if (sample_path.empty() || !load_bmp24(sample_path, sample)) {
        std::printf(
            "note: sample picture %s not readable: using a synthetic panorama of the same kind\n",
            sample_path.empty() ? "(none given)" : sample_path.c_str());
        sample = synthetic_panorama(2048, 1024);
    }
    bench_set("sample picture " + sample.name, {sample}, encoders);
    return 0;
}
