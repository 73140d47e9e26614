// The viewer of razivavu-inspect --html in a real browser (headless
// Debian chromium): what it draws at a zoom equals the mosaic of that
// level, 24-bit and DXT1; a pan step moves the picture by its pixels; the
// rows that store fewer levels draw without holes; the page asks for
// nothing outside its folder. Skipped, with the reason, where the browser
// cannot start.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "tests/browser/headless_browser.h"
#include "tests/commands/commands_test_support.h"

using namespace cmdtest;
namespace fs = std::filesystem;

namespace {

constexpr int32_t W = 512, H = 384, T = 128;  // a 4 x 3 grid of 128 x 128 tiles, 8 levels
constexpr int VIEW_W = 800, VIEW_H = 600;
constexpr int32_t PAD_W = 500, PAD_H = 370;  // also 4 x 3 tiles, with --edges pad

// Detail at several scales, so that a wrong level or a shifted tile shows.
std::vector<uint8_t> busy_pattern() {
    std::vector<uint8_t> p = smooth_pattern(W, H);
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
            uint8_t* q = &p[(static_cast<size_t>(y) * W + x) * 3];
            const int stripe = ((x / 3 + y / 5) % 2) * 50 + ((x / 17) % 2) * 30;
            q[0] = static_cast<uint8_t>(std::min(255, q[0] / 2 + stripe + (y / T) * 20));
            q[1] = static_cast<uint8_t>(std::min(255, q[1] / 2 + ((x * y / 37) % 64)));
        }
    return p;
}

double psnr(const TexImage& a, const TexImage& b) {
    double sse = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        const double d = double(a.pixels[i]) - double(b.pixels[i]);
        sse += d * d;
    }
    return sse == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 * a.pixels.size() / sse);
}

TexImage crop(const TexImage& from, int32_t x0, int32_t y0, int32_t w, int32_t h) {
    TexImage out{w, h, 3, {}};
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int k = 0; k < 3; ++k)
                out.pixels.push_back(
                    from.pixels[(static_cast<size_t>(y0 + y) * from.width + x0 + x) *
                                    from.channels +
                                k]);
    return out;
}

class ViewerBrowser : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/razivavu-viewer-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        write_bmp(dir_ + "/pic.bmp", bmp_of(W, H, busy_pattern()));
        const std::string base = "'" + dir_ + "/pic'";
        ASSERT_EQ(std::system(("cd '" + dir_ +
                               "' && '" RAZIVAVU_BINARY "' pic.bmp 128 128 < /dev/null > /dev/null")
                                  .c_str()),
                  0);
        ASSERT_EQ(run(INSPECT_BINARY, "--html '" + dir_ + "/view' " + base).status, 0);
        // A picture whose right and bottom strips fill no whole tile, padded.
        write_bmp(dir_ + "/pad.bmp", bmp_of(PAD_W, PAD_H, smooth_pattern(PAD_W, PAD_H)));
        ASSERT_EQ(
            std::system(("cd '" + dir_ +
                         "' && '" RAZIVAVU_BINARY "' -q --edges pad pad.bmp 128 128 < /dev/null")
                            .c_str()),
            0);
        ASSERT_EQ(run(INSPECT_BINARY, "--html '" + dir_ + "/padview' '" + dir_ + "/pad'").status,
                  0);
        browser_ = new browser::HeadlessBrowser;
        if (!browser_->start(why_)) return;
        browser_->set_viewport(VIEW_W, VIEW_H);
    }
    static void TearDownTestSuite() {
        delete browser_;
        browser_ = nullptr;
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    void SetUp() override {
        if (!why_.empty()) GTEST_SKIP() << "no browser: " << why_;
    }

    // Opens the view `hash` of a page and waits until every tile of it is drawn.
    static void show(const std::string& hash, const std::string& page = "view") {
        browser_->navigate("file://" + dir_ + "/" + page + "/index.html#" + hash);
        ASSERT_TRUE(browser_->wait_for("window.razivavuDrawn === '" + hash + "'"))
            << "the page never drew " << hash << "; it shows "
            << browser_->evaluate("location.hash + ' ' + window.razivavuDrawn");
    }

    static TexImage screenshot() {
        TexImage shot;
        const std::vector<uint8_t> png = browser_->screenshot();
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        EXPECT_TRUE(png_image_begin_read_from_memory(&image, png.data(), png.size()));
        image.format = PNG_FORMAT_RGB;
        shot = {static_cast<int32_t>(image.width), static_cast<int32_t>(image.height), 3, {}};
        shot.pixels.resize(PNG_IMAGE_SIZE(image));
        EXPECT_TRUE(png_image_finish_read(&image, nullptr, shot.pixels.data(), 0, nullptr));
        return shot;
    }

    // Where the panorama's corner lands for a view centred on (x, y).
    static std::pair<int32_t, int32_t> corner(double level, double x, double y) {
        const std::string size = browser_->evaluate(
            "String(document.getElementById('view').width * 100000 + "
            "document.getElementById('view').height)");
        const long both = std::atol(size.c_str() + 1);
        const double s = std::pow(2.0, -level);
        return {static_cast<int32_t>(std::lround(both / 100000 / 2.0 - x * s)),
                static_cast<int32_t>(std::lround(both % 100000 / 2.0 - y * s))};
    }

    // A tile's stored level, decoded by texfile.
    static TexImage tile_level(int32_t col, int32_t row, int32_t level, bool dxt1) {
        TexFile file;
        std::string error;
        const std::string name =
            dir_ + "/pic" + std::to_string(col) + std::to_string(row) + (dxt1 ? "c" : "") + ".vxt";
        EXPECT_TRUE(read_tex_file(name, file, error)) << error;
        const int32_t first = skip_of(row);
        TexImage out;
        EXPECT_TRUE(decode_tex_level(file, static_cast<size_t>(level - first), out, error));
        return out;
    }
    static int32_t skip_of(int32_t row) { return row == 0 ? 1 : row == 2 ? 2 : 0; }

    // The mosaic razivavu-inspect makes of one level (of the DXT1 tiles
    // with --dxt1 where the command has it; else put together the same way
    // from the decoded DXT1 levels).
    static TexImage mosaic(int32_t level, bool dxt1) {
        const std::string out = dir_ + "/mosaic" + std::to_string(level) + (dxt1 ? "c" : "");
        const RunResult r =
            run(INSPECT_BINARY, "--mosaic " + std::to_string(level) + (dxt1 ? " --dxt1" : "") +
                                    " --png '" + out + "' '" + dir_ + "/pic'");
        TexImage m;
        if (r.status == 0) {
            for (const auto& e : fs::directory_iterator(out)) {
                if (e.path().extension() == ".png") {
                    EXPECT_TRUE(read_png(e.path().string(), m));
                }
            }
            return m;
        }
        EXPECT_TRUE(dxt1) << r.err;
        const int32_t side = T >> level;
        m = {side * 4, side * 3, 3, std::vector<uint8_t>(size_t(side) * side * 36)};
        for (int32_t row = 0; row < 3; ++row)
            for (int32_t col = 0; col < 4; ++col) {
                const TexImage t = tile_level(col, row, level, true);
                for (int32_t y = 0; y < side; ++y)
                    std::copy_n(t.pixels.begin() + size_t(y) * side * 3, side * 3,
                                m.pixels.begin() +
                                    ((size_t(row) * side + y) * m.width + size_t(col) * side) * 3);
            }
        return m;
    }

    static std::string dir_;
    static std::string why_;
    static browser::HeadlessBrowser* browser_;
};

std::string ViewerBrowser::dir_;
std::string ViewerBrowser::why_;
browser::HeadlessBrowser* ViewerBrowser::browser_ = nullptr;

TEST_F(ViewerBrowser, EachZoomAndTileKindShowsTheMosaicOfItsLevel) {
    for (const int32_t level : {2, 3})
        for (const bool dxt1 : {false, true}) {
            SCOPED_TRACE("level " + std::to_string(level) + (dxt1 ? " DXT1" : " 24-bit"));
            show("level=" + std::to_string(level) + "&x=256&y=192&dxt1=" + (dxt1 ? "1" : "0") +
                 "&overlay=0");
            const auto [x0, y0] = corner(level, 256, 192);
            const TexImage expected = mosaic(level, dxt1);
            ASSERT_EQ(expected.width, W >> level);
            const TexImage shown = crop(screenshot(), x0, y0, expected.width, expected.height);
            EXPECT_GE(psnr(shown, expected), 40.0);
        }
    // The other kind at the same level is not what the page shows.
    EXPECT_LT(psnr(mosaic(2, true), mosaic(2, false)), 60.0);
}

TEST_F(ViewerBrowser, OneArrowKeyPansByOneStepOfScreenPixels) {
    show("level=1&x=156&y=192&dxt1=0&overlay=0");
    const TexImage before = screenshot();
    browser_->press_key("ArrowRight", 39);
    const std::string after_hash = "level=1&x=356&y=192&dxt1=0&overlay=0";  // 100 px at 1:2
    ASSERT_TRUE(browser_->wait_for("window.razivavuDrawn === '" + after_hash + "'"))
        << browser_->evaluate("location.hash");
    EXPECT_EQ(browser_->evaluate("location.hash"), "\"#" + after_hash + "\"");
    const TexImage after = screenshot();
    const auto [x0, y0] = corner(1, 356, 192);
    // The panorama's part on screen both times, 100 pixels further left.
    const int32_t w = W / 2 - 100 + std::min(0, x0), h = H / 2;
    ASSERT_GT(w, 100);
    EXPECT_GE(
        psnr(crop(after, std::max(0, x0), y0, w, h), crop(before, std::max(0, x0) + 100, y0, w, h)),
        40.0);
}

TEST_F(ViewerBrowser, RowsThatStoreFewerLevelsDrawWithoutHoles) {
    // At level 0 the top row shows its level 1 twice as large and the
    // bottom row its level 2 four times as large.
    show("level=0&x=256&y=192&dxt1=0&overlay=0");
    const auto [x0, y0] = corner(0, 256, 192);
    const TexImage shown = crop(screenshot(), x0, y0, W, H);
    TexImage expected{W, H, 3, std::vector<uint8_t>(size_t(W) * H * 3)};
    for (int32_t row = 0; row < 3; ++row)
        for (int32_t col = 0; col < 4; ++col) {
            const int32_t level = skip_of(row);
            const TexImage t = tile_level(col, row, level, false);
            for (int32_t y = 0; y < T; ++y)
                for (int32_t x = 0; x < T; ++x)
                    std::copy_n(
                        t.pixels.begin() + ((size_t(y >> level) * t.width) + (x >> level)) * 3, 3,
                        expected.pixels.begin() + ((size_t(row) * T + y) * W + col * T + x) * 3);
        }
    size_t background = 0;
    for (size_t i = 0; i + 2 < shown.pixels.size(); i += 3)
        background +=
            shown.pixels[i] == 0x26 && shown.pixels[i + 1] == 0x26 && shown.pixels[i + 2] == 0x26;
    EXPECT_EQ(background, 0u);
    EXPECT_GE(psnr(shown, expected), 40.0);
}

TEST_F(ViewerBrowser, APaddedGridEndsAtThePicturesEdge) {
    show("level=0&x=250&y=185&dxt1=0&overlay=0", "padview");
    const auto [x0, y0] = corner(0, 250, 185);
    const TexImage shot = screenshot();
    auto background = [&](int32_t x, int32_t y) {
        const uint8_t* p = &shot.pixels[(size_t(y) * shot.width + x) * 3];
        return p[0] == 0x26 && p[1] == 0x26 && p[2] == 0x26;
    };
    for (int32_t k = 0; k < PAD_H; k += 5)
        EXPECT_TRUE(background(x0 + PAD_W, y0 + k) && !background(x0 + PAD_W - 1, y0 + k)) << k;
    for (int32_t k = 0; k < PAD_W; k += 5)
        EXPECT_TRUE(background(x0 + k, y0 + PAD_H) && !background(x0 + k, y0 + PAD_H - 1)) << k;
}

TEST_F(ViewerBrowser, ThePageAsksForNothingOutsideItsFolder) {
    // A whole load of the page, then a second view of it.
    browser_->navigate("about:blank");
    browser_->events.clear();
    show("level=-1&x=200&y=100&dxt1=1&overlay=1");
    show("level=4&x=256&y=192&dxt1=0&overlay=1");
    const std::vector<std::string> urls = browser_->requested_urls();
    const std::string inside = "file://" + dir_ + "/view/";
    size_t tiles = 0;
    for (const std::string& url : urls) {
        EXPECT_EQ(url.compare(0, inside.size(), inside), 0) << url;
        tiles += url.find("/view/tiles/") != std::string::npos;
    }
    // The requests were seen at all: the page's own files and tiles.
    for (const char* own : {"index.html", "viewer.js", "viewer.css", "grid.js"})
        EXPECT_NE(std::find(urls.begin(), urls.end(), inside + own), urls.end()) << own;
    EXPECT_GT(tiles, 0u);
}

}  // namespace
