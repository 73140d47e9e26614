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
        const char* parts;    // the parts that ran, of 3; "w" for one whole run
        const char* damage;   // a shell command run on the tiles afterwards
        const char* finding;  // "" when complete
        int status;           // of --check
        const char* options = "";
        const char* check = "--check";
    } cases[] = {
        {"pano.bmp", "012", "true", "", 0},
        {"pano.bmp", "w", "true", "", 0},
        {"pano.bmp", "012", "rm pano31c.vxt", "pano31c.vxt: missing", 1},
        {"pano.bmp", "012", "truncate -s 100 pano22.vxt", "pano22.vxt: 100 bytes, the grid", 1},
        {"pano.bmp", "012", "cp pano11.vxt pano10.vxt", "pano10.vxt: 1055 bytes, the grid", 1},
        // The last row and the last column: nothing in the folder shows them.
        {"pano.bmp", "01", "true", "rows 3 to 4 of tiles never finished (part 2/3)", 1},
        {"pano.bmp", "w", "rm pano7?.vxt pano7?c.vxt", "pano74c.vxt: missing", 1},
        {"pano.bmp", "02", "true", "row 2 of tiles never finished (part 1/3)", 1},
        // A byte changed: only the hashes see it.
        {"pano.bmp", "w", "printf x | dd of=pano33.vxt bs=1 seek=40 conv=notrunc 2>/dev/null", "",
         0},
        {"pano.bmp", "w", "printf x | dd of=pano33.vxt bs=1 seek=40 conv=notrunc 2>/dev/null",
         "pano33.vxt: its bytes differ", 1, "", "--check --deep"},
        // A part run again with another option writes another grid.
        {"pano.bmp", "012", "@ -q --full-rows --part 1/3 pano.bmp 16 16",
         "another grid's manifest (--full-rows", 1},
        {"pano.bmp", "012", "echo '{' > pano.part-1-of-3.grid.json", "not a grid manifest", 1},
        // A folder of an older version: the grid from the names, said so.
        {"pano.bmp", "012", "rm pano*.grid.json", "no grid manifest", 0},
        {"pano.bmp", "01", "rm pano*.grid.json", "rows of tiles below row 2 are missing", 1},
        {"wide.bmp", "012", "true", "", 0},
        {"wide.bmp", "01", "rm wide*.grid.json", "wide12_10c.vxt: missing", 1},
        {"pano.bmp", "012", "true", "", 0, "--full-rows --edges pad "},
    };
    for (const auto& c : cases) {
        for (const auto& e : fs::directory_iterator("."))
            if (e.path().extension() == ".vxt" || e.path().extension() == ".json")
                fs::remove(e.path());
        const std::string size = std::string(c.input) + " 16 16";
        for (const char* k = c.parts; *k; ++k)
            ASSERT_EQ(run_program(RAZIVAVU_BINARY,
                                  std::string("-q ") + c.options +
                                      (*k == 'w' ? "" : std::string("--part ") + *k + "/3 ") + size)
                          .status,
                      0);
        std::string damage = c.damage;
        if (damage[0] == '@') damage = RAZIVAVU_BINARY + damage.substr(1);
        ASSERT_EQ(std::system(damage.c_str()), 0) << damage;
        const std::string base = fs::path(c.input).stem().string();
        const RunResult r = run_program(INSPECT_BINARY, std::string(c.check) + " " + base);
        const std::string said =
            std::string(c.input) + " " + c.parts + " " + c.damage + "\n" + r.out;
        EXPECT_EQ(r.status, c.status) << said;
        EXPECT_NE(r.out.find(*c.finding ? c.finding : "complete"), std::string::npos) << said;
    }
}

TEST_F(Check, TheGridOfThePartsIsWrittenOnceWhole) {
    write_bmp("pano.bmp", bmp_picture(128, 80, 24, false));
    for (const char* k : {"0", "1", "2"})
        ASSERT_EQ(run_program(RAZIVAVU_BINARY, std::string("-q --part ") + k + "/3 pano.bmp 16 16")
                      .status,
                  0);
    const RunResult first = run_program(INSPECT_BINARY, "--check pano");
    EXPECT_NE(first.out.find("pano.grid.json: written from the parts' manifests"),
              std::string::npos)
        << first.out;
    const std::string merged = read_text("pano.grid.json");
    ASSERT_EQ(run_program(RAZIVAVU_BINARY, "-q pano.bmp 16 16").status, 0);
    // The whole run's own manifest says the same, byte for byte.
    EXPECT_EQ(read_text("pano.grid.json"), merged);
    const RunResult again = run_program(INSPECT_BINARY, "--check pano");
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out.find("written from"), std::string::npos) << again.out;
}

}  // namespace
