// razivavu-inspect --check: a grid written by parts is complete only when
// every tile's two files are there and whole, of one tile size.
#include <filesystem>

#include "tests/common/run_program.h"
#include "tests/imageio/test_support.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

class Check : public ScratchDir {};

TEST_F(Check, NamesWhatIsMissingOrWrong) {
    write_bmp("pano.bmp", bmp_picture(128, 80, 24, false));
    write_bmp("wide.bmp", bmp_picture(16 * 13, 16 * 11, 24, false));  // names with "_"
    const struct {
        const char* input;
        const char* parts;    // the parts that ran, of 3
        const char* damage;   // a shell command run on the tiles afterwards
        const char* finding;  // "" when complete
        const char* options = "";
    } cases[] = {
        {"pano.bmp", "012", "true", ""},
        {"pano.bmp", "012", "rm pano31c.vxt", "pano31c.vxt: missing"},
        {"pano.bmp", "012", "truncate -s 100 pano22.vxt", "pano22.vxt: not the whole"},
        {"pano.bmp", "012", "cp pano11.vxt pano10.vxt", "pano10.vxt: not the whole"},
        {"pano.bmp", "01", "true", "rows of tiles below row 2 are missing"},
        {"pano.bmp", "02", "true", "pano72c.vxt: missing"},
        {"wide.bmp", "012", "true", ""},
        {"wide.bmp", "01", "true", "wide12_10c.vxt: missing"},
        {"pano.bmp", "012", "true", "", "--full-rows --edges pad "},
        {"pano.bmp", "012", "rm pano31c.vxt", "pano31c.vxt: missing", "--full-rows "},
    };
    for (const auto& c : cases) {
        for (const auto& e : fs::directory_iterator("."))
            if (e.path().extension() == ".vxt") fs::remove(e.path());
        for (const char* k = c.parts; *k; ++k)
            ASSERT_EQ(run_program(RAZIVAVU_BINARY, std::string("-q ") + c.options + "--part " + *k +
                                                       "/3 " + c.input + " 16 16")
                          .status,
                      0);
        ASSERT_EQ(std::system(c.damage), 0);
        const std::string base = fs::path(c.input).stem().string();
        const RunResult r = run_program(INSPECT_BINARY, "--check " + base);
        EXPECT_EQ(r.status, *c.finding ? 1 : 0) << c.input << " " << c.damage << r.out;
        EXPECT_NE(r.out.find(*c.finding ? c.finding : "complete"), std::string::npos)
            << c.input << " " << c.damage << r.out;
    }
}

}  // namespace
