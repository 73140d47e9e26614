// The grid manifest: what is written reads back the same, what razivavu
// never writes is refused with a reason, and the files are found by name.
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "gridfile/gridfile.h"
#include "tests/imageio/test_support.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

// A 3 x 2 grid of 512-pixel tiles from a 1600 x 1100 picture, padded.
GridManifest sample() {
    GridManifest m;
    m.tool_version = "9.9.9";
    m.picture = {"dir/pano \"one\".jpg", "jpeg", 1600, 1100, 123456789, 0x0123456789abcdefull,
                 0xfedcba9876543210ull};
    m.grid = {512, 512, 10, 4, 3, false};
    m.options.edges = "pad";
    m.options.quality = "best";
    m.first_level = {1, 0, 2};
    m.part_index = 1;
    m.part_count = 2;
    m.first_row = 1;
    m.end_row = 3;
    m.damaged_from_row = 2;
    m.damage = "Corrupt JPEG data: \u00e9\n";
    for (int32_t col : {0, 3}) {
        ManifestTile t;
        t.col = col;
        t.row = 2;
        t.files = {{"pano" + std::to_string(col) + "2.vxt", "rgb888", "vxt", 100, 1},
                   {"pano" + std::to_string(col) + "2c.vxt", "dxt1", "vxt", 0, ~0ull}};
        m.tiles.push_back(t);
    }
    return m;
}

TEST(Manifest, WhatIsWrittenReadsBackTheSame) {
    const std::string text = manifest_to_json(sample());
    GridManifest back;
    ASSERT_EQ(manifest_from_json(text, back), "");
    EXPECT_EQ(manifest_to_json(back), text);
    EXPECT_EQ(back.picture.name, sample().picture.name);
    EXPECT_EQ(back.damage, sample().damage);
    EXPECT_EQ(back.tiles[1].files[1].hash, ~0ull);
    EXPECT_EQ(manifest_difference(back, sample(), "a", "b"), "");
}

TEST(Manifest, WhatRazivavuNeverWritesIsRefused) {
    const std::string good = manifest_to_json(sample());
    const auto swap = [&](const std::string& from, const std::string& to) {
        std::string t = good;
        const size_t at = t.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? t : t.replace(at, from.size(), to);
    };
    const struct {
        std::string text;
        const char* reason;
    } cases[] = {
        {"", "not JSON: value expected"},
        {good + "x", "text after the value"},
        {std::string(40, '[') + std::string(40, ']'), "nested too deep"},
        {"[]", "not a grid manifest"},
        {swap("razivavu grid manifest", "other"), "not a grid manifest (format"},
        {swap("\"version\": 1", "\"version\": 2"), "newer than this razivavu reads"},
        {swap("\"width\": 1600", "\"width\": 1600.5"), "not a whole number"},
        {swap("\"width\": 1600", "\"width\": 99999999999999999999"), "number too large"},
        {swap("\"width\": 1600", "\"width\": 0"), "picture.width = 0 is outside"},
        {swap("\"cols\": 4", "\"cols\": 40"), "not the grid of the picture"},
        {swap("\"levels\": 10", "\"levels\": 9"), "grid.levels does not match"},
        {swap("[1, 0, 2]", "[1, 0]"), "one entry per row"},
        {swap("[1, 0, 2]", "[1, 0, 7]"), "a level no row starts at"},
        {swap("\"end_row\": 3", "\"end_row\": 4"), "part.end_row = 4 is outside"},
        {swap("\"col\": 3", "\"col\": 4"), "tiles[1].col = 4 is outside"},
        {swap("\"col\": 3", "\"col\": 0"), "repeats a tile"},
        {swap("\"row\": 2, \"files\"", "\"row\": 0, \"files\""), "tiles[0].row = 0 is outside"},
        {swap("pano02.vxt", "../etc/passwd"), "not a plain file name"},
        {swap("\"format\": \"dxt1\"", "\"format\": \"bc9\""), "not a value razivavu writes"},
        {swap("\"tile_format\": \"dxt1\"", "\"tile_format\": \"dxt5\""),
         "options.tile_format = \"dxt5\" is not a value razivavu writes"},
        {swap("\"xxh3\": \"0000000000000001\"", "\"xxh3\": \"00000000000001\""),
         "not 16 hex digits"},
        {swap("\"damage\": {", "\"damage\": 3, \"x\": {"), "neither null nor an object"},
        {swap("\"reason\": \"", "\"reason\": \"\\ud800"), "lone surrogate"},
        {swap("\"tiles\": [", "\"tiles\": 5, \"t\": ["), "tiles is missing or of the wrong kind"},
        {swap("\"name\": \"dir", "\"name\": \"a\", \"name\": \"dir"), "member named twice"},
    };
    for (const auto& c : cases) {
        GridManifest m;
        const std::string reason = manifest_from_json(c.text, m);
        EXPECT_NE(reason.find(c.reason), std::string::npos) << c.reason << " <- " << reason;
    }
}

TEST(Manifest, AManifestFromBeforeTileFormatsHasDxt1Blocks) {
    std::string text = manifest_to_json(sample());
    text.erase(text.find(", \"tile_format\": \"dxt1\""), 23);
    GridManifest read;
    EXPECT_EQ(manifest_from_json(text, read), "");
    EXPECT_EQ(read.options.tile_format, "dxt1");
    EXPECT_EQ(manifest_to_json(read), manifest_to_json(sample()));
}

TEST(Manifest, DifferencesAreNamed) {
    const struct {
        std::function<void(GridManifest&)> change;
        const char* words;
    } cases[] = {
        {[](GridManifest& m) { m.picture.kind = "png"; }, "picture kind jpeg in A, png in B"},
        {[](GridManifest& m) { m.picture.width = 1601; }, "picture size 1600x1100 in A"},
        {[](GridManifest& m) { m.picture.bytes = 1; }, "picture file size"},
        {[](GridManifest& m) { m.picture.tail_hash = 0; }, "the picture's content differs"},
        {[](GridManifest& m) { m.grid.tile_width = 256; }, "tile size 512x512 in A, 256x512 in B"},
        {[](GridManifest& m) { m.options.edges = "drop"; }, "--edges pad in A, drop in B"},
        {[](GridManifest& m) { m.options.full_rows = true; }, "--full-rows off in A, on in B"},
        {[](GridManifest& m) { m.options.quality = "fast"; }, "--quality best in A, fast in B"},
        {[](GridManifest& m) { m.options.decoder = "exact"; }, "--decoder nearest in A, exact"},
        {[](GridManifest& m) { m.options.metric = "uniform"; }, "--metric perceptual in A"},
        {[](GridManifest& m) { m.options.tile_format = "bc7"; },
         "--tile-format dxt1 in A, bc7 in B"},
        // Where and by which version the picture was read does not matter.
        {[](GridManifest& m) { m.picture.name = "other/pano.jpg", m.tool_version = "1"; }, ""},
    };
    for (const auto& c : cases) {
        GridManifest b = sample();
        c.change(b);
        const std::string said = manifest_difference(sample(), b, "A", "B");
        if (*c.words)
            EXPECT_NE(said.find(c.words), std::string::npos) << said;
        else
            EXPECT_EQ(said, "");
    }
}

class ManifestFiles : public ScratchDir {};

TEST_F(ManifestFiles, WrittenWholeAndFoundByName) {
    GridManifest whole = sample();
    whole.part_count = 1, whole.part_index = 0, whole.first_row = 0, whole.tiles.clear();
    ASSERT_EQ(write_manifest(manifest_name("pano"), whole, false), 0);
    ASSERT_EQ(write_manifest(part_manifest_name("pano", 1, 2), sample(), true), 0);
    for (const char* stray : {"panorama.grid.json", "pano.part-1-of-x.grid.json",
                              "pano.part-1-of-2.grid.json.part", "pano.part-01-of-2.grid.json"})
        write_file(stray, {'{'});
    write_file("pano.part-0-of-2.grid.json", {'{'});
    const std::vector<FoundManifest> found = find_manifests("pano");
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].path, "pano.grid.json");
    EXPECT_EQ(found[0].error, "");
    EXPECT_NE(found[1].error.find("not JSON"), std::string::npos);
    EXPECT_EQ(found[2].path, "pano.part-1-of-2.grid.json");
    EXPECT_EQ(manifest_to_json(found[2].manifest), manifest_to_json(sample()));
    // A folder that cannot take the file: the reason, and nothing left.
    ASSERT_EQ(mkdir("sub", 0755), 0);
    write_file("sub/x", {1});
    EXPECT_EQ(write_manifest("sub/x/pano.grid.json", whole, false), ENOTDIR);
    EXPECT_FALSE(fs::exists("sub/x/pano.grid.json.part"));
    EXPECT_EQ(find_manifests("sub/pano").size(), 0u);
}

TEST_F(ManifestFiles, HashesAreXxh3OfTheWholeFileAndThePicturesEnds) {
    EXPECT_EQ(bytes_hash("", 0), 0x2D06800538D394C2ull);  // XXH3-64 of nothing
    std::vector<uint8_t> bytes(3 << 20);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 4099);
    write_file("big", bytes);
    uint64_t hash = 0;
    int64_t size = 0;
    ASSERT_TRUE(file_hash("big", hash, size));
    EXPECT_EQ(hash, bytes_hash(bytes.data(), bytes.size()));
    EXPECT_EQ(size, static_cast<int64_t>(bytes.size()));
    HashStream* s = hash_stream_new();
    hash_stream_add(s, bytes.data(), 1000);
    hash_stream_add(s, bytes.data() + 1000, bytes.size() - 1000);
    EXPECT_EQ(hash_stream_value(s), hash);
    hash_stream_free(s);
    PictureIdentity p;
    ASSERT_TRUE(picture_fingerprint("big", p));
    EXPECT_EQ(p.bytes, size);
    EXPECT_EQ(p.head_hash, bytes_hash(bytes.data(), 1 << 20));
    EXPECT_EQ(p.tail_hash, bytes_hash(bytes.data() + bytes.size() - (1 << 20), 1 << 20));
    EXPECT_FALSE(file_hash("missing", hash, size));
    EXPECT_EQ(errno, ENOENT);
}

}  // namespace
