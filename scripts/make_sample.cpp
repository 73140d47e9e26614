// make_sample: writes the project's own sample panorama as a 24-bit BMP.
//
//   make_sample <out.bmp> [width height]      (default 2048 x 1024)
//
// The picture is drawn from integer arithmetic only, so every machine writes
// the same bytes: a sky gradient with a sun, a mountain ridge with a hard
// edge against the sky, a flat lake, a row of houses with lit windows (sharp
// edges, flat walls), a lettered sign and a ruler of digits (fine, text-like
// detail) and a dithered meadow at the bottom. It exercises every tile row
// kind and both tile files of razivavu.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // rows top to bottom, R, G, B

    void set(int x, int y, int r, int g, int b) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        p[0] = static_cast<uint8_t>(r);
        p[1] = static_cast<uint8_t>(g);
        p[2] = static_cast<uint8_t>(b);
    }
    void fill(int x0, int y0, int x1, int y1, int r, int g, int b) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) set(x, y, r, g, b);
    }
};

// A small integer hash: the same noise on every machine.
uint32_t hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

// Smooth value noise in [0, 1024) along x with the given period in pixels.
int ridge_noise(int x, int period, uint32_t seed) {
    const int cell = x / period;
    const int t = (x % period) * 1024 / period;
    const int a = static_cast<int>(hash(static_cast<uint32_t>(cell) + seed) & 1023);
    const int b = static_cast<int>(hash(static_cast<uint32_t>(cell + 1) + seed) & 1023);
    const int s = t * t * (3072 - 2 * t) / (1024 * 1024);  // smoothstep, 0..1024
    return a + (b - a) * s / 1024;
}

// 5 x 7 glyphs, one row per byte, bit 4 = leftmost column.
struct Glyph {
    char c;
    uint8_t rows[7];
};
const Glyph kFont[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
};

const Glyph* find_glyph(char c) {
    for (const Glyph& g : kFont)
        if (g.c == c) return &g;
    return nullptr;
}

// Draws text with square dots of `scale` pixels; returns the advance.
int draw_text(Picture& p, int x, int y, const char* text, int scale, int r, int g, int b) {
    const int start = x;
    for (const char* c = text; *c; ++c) {
        if (const Glyph* glyph = find_glyph(*c)) {
            for (int gy = 0; gy < 7; ++gy)
                for (int gx = 0; gx < 5; ++gx)
                    if (glyph->rows[gy] & (0x10 >> gx))
                        p.fill(x + gx * scale, y + gy * scale, x + (gx + 1) * scale,
                               y + (gy + 1) * scale, r, g, b);
        }
        x += 6 * scale;
    }
    return x - start;
}

void draw_sky_and_ridge(Picture& p, int horizon) {
    const int w = p.width, h = p.height;
    const int sun_x = w * 7 / 10, sun_y = horizon / 3, sun_r = h / 14 + 1;
    for (int y = 0; y < horizon; ++y) {
        for (int x = 0; x < w; ++x) {
            // Deep blue at the top to pale near the horizon.
            const int t = y * 255 / (horizon > 1 ? horizon - 1 : 1);
            int r = 40 + t * 150 / 255, g = 80 + t * 140 / 255, b = 170 + t * 70 / 255;
            const int dx = x - sun_x, dy = y - sun_y;
            const int d2 = dx * dx + dy * dy;
            if (d2 <= sun_r * sun_r) {
                r = 255, g = 236, b = 160;  // flat disc, hard rim
            } else if (d2 <= 4 * sun_r * sun_r) {
                r += (255 - r) / 3;  // soft halo
                g += (236 - g) / 4;
            }
            p.set(x, y, r, g, b);
        }
    }
    for (int x = 0; x < w; ++x) {
        const int n = ridge_noise(x, w / 8 + 1, 11) * 3 + ridge_noise(x, w / 40 + 1, 29);
        const int top = horizon - (horizon / 2) * n / 4096 - 1;
        for (int y = top < 0 ? 0 : top; y < horizon; ++y) {
            const int shade = (y - top) * 60 / (horizon - top + 1);
            const bool snow = y - top < horizon / 20 && top < horizon * 3 / 5;
            if (snow)
                p.set(x, y, 235, 238, 245);
            else
                p.set(x, y, 70 + shade, 80 + shade, 90 + shade);
        }
    }
}

void draw_lake_and_shore(Picture& p, int horizon, int shore) {
    // Flat water with a few long, evenly spaced ripple lines.
    p.fill(0, horizon, p.width, shore, 52, 96, 140);
    for (int y = horizon + 6; y < shore; y += 9)
        for (int x = (y * 37) % 53; x < p.width; x += 97) p.fill(x, y, x + 40, y + 1, 90, 140, 180);
}

void draw_houses(Picture& p, int base, int house_h) {
    const int w = p.width;
    const int house_w = house_h * 3 / 2 + 4;
    for (int i = 0, x = house_w / 3; x + house_w < w; ++i, x += house_w + house_w / 3) {
        const uint32_t k = hash(static_cast<uint32_t>(i) + 101);
        const int r = 150 + static_cast<int>(k % 90), g = 90 + static_cast<int>((k >> 8) % 80),
                  b = 60 + static_cast<int>((k >> 16) % 60);
        p.fill(x, base - house_h, x + house_w, base, r, g, b);  // flat wall
        for (int s = 0; s < house_w / 2; ++s)                   // roof
            p.fill(x + s, base - house_h - s / 2 - 1, x + house_w - s, base - house_h - s / 2, 120,
                   40, 30);
        const int win = house_h / 6 + 1;
        for (int wy = base - house_h + win; wy + win < base - win; wy += 2 * win)
            for (int wx = x + win; wx + win < x + house_w - win / 2; wx += 2 * win) {
                const bool lit = (hash(static_cast<uint32_t>(wx * 7 + wy)) & 3) != 0;
                p.fill(wx, wy, wx + win, wy + win, lit ? 250 : 30, lit ? 220 : 30, lit ? 120 : 40);
            }
    }
}

void draw_meadow(Picture& p, int top) {
    for (int y = top; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const uint32_t n = hash(static_cast<uint32_t>(y) * 65537U + static_cast<uint32_t>(x));
            const int v = static_cast<int>(n & 31);
            p.set(x, y, 40 + v, 110 + v + (y - top) * 40 / (p.height - top + 1), 40 + v / 2);
        }
}

void draw_sign_and_ruler(Picture& p, int top) {
    const int scale = p.height / 128 + 1;
    const int sign_w = 6 * scale * 8 + 4 * scale;
    const int sx = p.width / 12, sy = top;
    p.fill(sx, sy, sx + sign_w, sy + 11 * scale, 245, 245, 235);
    draw_text(p, sx + 2 * scale, sy + 2 * scale, "RAZIVAVU", scale, 20, 20, 90);
    // A ruler of small digits every 64 pixels along the bottom edge.
    const int ry = p.height - 9;
    for (int x = 0; x < p.width; x += 64) {
        char label[16];
        std::snprintf(label, sizeof(label), "%d", x);
        p.fill(x, ry - 4, x + 1, p.height, 255, 255, 255);
        draw_text(p, x + 2, ry, label, 1, 255, 255, 255);
    }
}

bool write_bmp(const char* path, const Picture& p) {
    const uint32_t stride = (static_cast<uint32_t>(p.width) * 3 + 3) & ~3U;
    const uint32_t data = stride * static_cast<uint32_t>(p.height);
    uint8_t header[54] = {'B', 'M'};
    auto put32 = [&](int at, uint32_t v) {
        for (int k = 0; k < 4; ++k) header[at + k] = static_cast<uint8_t>(v >> (8 * k));
    };
    put32(2, 54 + data);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(p.width));
    put32(22, static_cast<uint32_t>(p.height));
    header[26] = 1;
    header[28] = 24;
    put32(34, data);
    put32(38, 2835);  // 72 dpi
    put32(42, 2835);
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    bool ok = std::fwrite(header, 1, sizeof(header), f) == sizeof(header);
    std::vector<uint8_t> row(stride, 0);
    for (int y = p.height - 1; y >= 0 && ok; --y) {  // BMP rows run bottom to top
        for (int x = 0; x < p.width; ++x) {
            const uint8_t* s = &p.rgb[(static_cast<size_t>(y) * p.width + x) * 3];
            row[3 * x] = s[2];
            row[3 * x + 1] = s[1];
            row[3 * x + 2] = s[0];
        }
        ok = std::fwrite(row.data(), 1, stride, f) == stride;
    }
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: make_sample <out.bmp> [width height]\n");
        return 2;
    }
    Picture p;
    p.width = argc == 4 ? std::atoi(argv[2]) : 2048;
    p.height = argc == 4 ? std::atoi(argv[3]) : 1024;
    if (p.width < 16 || p.height < 16 || p.width > 32768 || p.height > 32768) {
        std::fprintf(stderr, "make_sample: width and height must lie in 16 .. 32768\n");
        return 2;
    }
    p.rgb.assign(static_cast<size_t>(p.width) * p.height * 3, 0);
    const int horizon = p.height * 9 / 20;
    const int shore = p.height * 6 / 10;
    const int meadow = p.height * 3 / 4;
    draw_sky_and_ridge(p, horizon);
    draw_lake_and_shore(p, horizon, shore);
    p.fill(0, shore, p.width, meadow, 120, 150, 80);  // flat grass strip
    draw_houses(p, meadow, (meadow - shore) * 3 / 4);
    draw_meadow(p, meadow);
    draw_sign_and_ruler(p, shore + (meadow - shore) / 8);
    if (!write_bmp(argv[1], p)) {
        std::fprintf(stderr, "make_sample: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("wrote %s (%d x %d)\n", argv[1], p.width, p.height);
    return 0;
}
