// An output that cannot be made is reported with the reason of the call
// that failed, by each of the three commands: a folder we may not write
// into is "Permission denied" (not the "No such file or directory" of the
// folder that was then missing below it), a regular file where a folder
// should be is "Not a directory".
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/commands/commands_test_support.h"

using namespace cmdtest;

namespace {

struct ReasonCase {
    const char* binary;
    std::string args;
    int status;
    std::string message;  // found in standard error
};

class OutputReasons : public ScratchDir {
  protected:
    // A picture, its tiles (for the inspector), a folder nobody may write
    // into and a regular file, all readable by anyone.
    void SetUp() override {
        ScratchDir::SetUp();
        write_bmp("pano.bmp", bmp_of(64, 64, smooth_pattern(64, 64)));
        ASSERT_EQ(run(RAZIVAVU_BINARY, "-q pano.bmp 16 16").status, 0);
        write_file("plain", {1});
        ASSERT_EQ(mkdir("locked", 0555), 0);
        ASSERT_EQ(chmod(dir().c_str(), 0755), 0);
    }

    // `blocked` stands for the path the output goes under.
    static std::vector<ReasonCase> cases(const std::string& blocked, const std::string& reason) {
        return {
            {RAZIVAVU_BINARY, "-q -o " + blocked + "/x/y pano.bmp 16 16", 4,
             "ERROR: output folder=" + blocked + "/x/y: " + reason + "\n"},
            {TEXTURE_BINARY, "-q pano.bmp " + blocked + "/out.dds", 4,
             "cannot write " + blocked + "/out.dds: " + reason + ";"},
            {INSPECT_BINARY, "--png " + blocked + "/x pano00.vxt", 3,
             "cannot make the folder " + blocked + "/x: " + reason + "\n"},
            {INSPECT_BINARY, "--html " + blocked + "/x pano", 3,
             "cannot make the folder " + blocked + "/x: " + reason + "\n"},
        };
    }

    static void expect_reasons(const std::vector<ReasonCase>& table, const std::string& prefix) {
        for (const ReasonCase& c : table) {
            const RunResult r = run_program(c.binary, c.args, prefix);
            EXPECT_EQ(r.status, c.status) << c.args << ": " << r.err;
            EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
        }
    }
};

TEST_F(OutputReasons, FolderWithoutWritePermission) {
    // Permissions do not hold for root: the commands then run as nobody.
    std::string prefix;
    if (geteuid() == 0) {
        prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
        if (run_program(RAZIVAVU_BINARY, "--version", prefix).status != 0)
            GTEST_SKIP() << "running as root, and nobody cannot run the commands here";
    }
    expect_reasons(cases("locked", "Permission denied"), prefix);
}

TEST_F(OutputReasons, RegularFileWhereAFolderShouldBe) {
    expect_reasons(cases("plain", "Not a directory"), "");
}

}  // namespace
