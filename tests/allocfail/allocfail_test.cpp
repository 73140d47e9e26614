// Every allocation may fail. Each job (a whole run of one of the commands on
// small inputs) is run once to count its allocations and name their sites,
// then again with the Nth allocation failing, for every N or a sample of
// them. Each such run must end with a message and a non-zero exit, leaving
// no ".part" file and no named output that differs from the run without
// failure, or exit 0 with the very bytes of that run; never a crash, a hang
// or a sanitizer report.
//
// RAZIVAVU_ALLOCFAIL_STRIDE=k (default 1: every N) tries every k-th N, plus
// the first and last RAZIVAVU_ALLOCFAIL_EDGE of them (default 200) and the
// first allocation of every site, so every site fails at least once.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "tests/imageio/png_tiff_support.h"
#include "tests/imageio/test_support.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

struct Job {
    const char* name;
    const char* program;  // RAZIVAVU_BINARY, ...
    std::vector<std::string> args;
    std::vector<std::string> env;  // "NAME=value"
};

void PrintTo(const Job& job, std::ostream* out) { *out << job.name; }

struct Outcome {
    bool exited = false;
    int status = -1;
    int signal = 0;
    bool hung = false;
    std::string out, err;
    std::map<std::string, std::vector<uint8_t>> files;  // outputs, by path
    long count = 0;                                     // allocations made
    std::string failed_site;                            // of the failed one
    std::map<long, std::string> sites;                  // when recorded
};

long env_number(const char* name, long fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atol(v) : fallback;
}

std::string text_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The inputs every job may use, made once in a folder of their own.
class AllocFail : public ::testing::TestWithParam<Job> {
  protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/razivavu-allocfail-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        inputs_ = pattern;
        const fs::path here = fs::current_path();
        fs::current_path(inputs_);
        // The tool's pictures: three rows of 32 x 32 tiles, so a middle row's
        // console text ("6: 6 5 4 3 2 1 ") needs memory of its own.
        const auto pictures = [](const std::string& base, int32_t w, int32_t h) {
            BmpFixture bmp;
            bmp.width = w;
            bmp.height = h;
            bmp.pixels = rgb_pattern(w, h);
            write_bmp(base + ".bmp", bmp);
            ASSERT_TRUE(write_jpeg(base + ".jpg", squares_jpeg(w, h, 3, false, 90)));
            SampledPicture p;
            p.width = w;
            p.height = h;
            ASSERT_TRUE(write_png(base + ".png", p));
            ASSERT_TRUE(write_tiff(base + ".tif", p, TiffLayout{}));
        };
        pictures("pano", 64, 96);
        // razivavu-texture's, with sides that are powers of two.
        pictures("tex", 64, 32);
        BmpFixture bmp;
        bmp.width = 64;
        bmp.height = 32;
        bmp.pixels = rgb_pattern(64, 32);
        {
            std::ofstream profile("normals.txt");
            profile << "g_normal_map_conversion 1\n";
        }
        // Tile files and a texture for the inspection jobs, under names no
        // job writes.
        write_bmp("pic.bmp", bmp);
        const std::string tool = std::string("'") + RAZIVAVU_BINARY + "' pic.bmp 16 16";
        ASSERT_EQ(std::system((tool + " < /dev/null > /dev/null 2>&1").c_str()), 0);
        const std::string texture = std::string("'") + TEXTURE_BINARY + "' tex.png tex.dds";
        ASSERT_EQ(std::system((texture + " > /dev/null 2>&1").c_str()), 0);
        fs::remove("vx.log");  // each run appends to its own
        fs::current_path(here);
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        fs::remove_all(inputs_, ignored);
    }

    // Runs the job in a fresh folder holding links to the inputs.
    // fail_at: the Nth allocation fails (0: none); or, with `site`, the
    // first allocation made there.
    Outcome run(const Job& job, long fail_at, bool record, const std::string& site = "") {
        const fs::path dir = fs::path(inputs_) / ("run-" + std::string(job.name));
        std::error_code ignored;
        fs::remove_all(dir, ignored);
        fs::create_directory(dir);
        std::set<std::string> inputs;
        for (const auto& e : fs::directory_iterator(inputs_)) {
            if (!e.is_regular_file()) continue;
            const std::string name = e.path().filename().string();
            inputs.insert(name);
            fs::create_hard_link(e.path(), dir / name);
        }
        const std::string report = (dir / "alloc.report").string();
        std::vector<std::string> env = job.env;
        env.push_back(std::string("LD_PRELOAD=") + FAIL_NTH_LIBRARY);
        env.push_back("RAZIVAVU_FAIL_AT=" + std::to_string(fail_at));
        env.push_back("RAZIVAVU_FAIL_REPORT=" + report);
        env.push_back(std::string("RAZIVAVU_FAIL_SITES=") + (record ? "1" : "0"));
        if (!site.empty()) env.push_back("RAZIVAVU_FAIL_SITE=" + site);
        env.push_back("MALLOC_PERTURB_=165");  // freed memory read back shows
        std::vector<std::string> args = job.args;
        args.insert(args.begin(), job.program);
        Outcome o;
        const pid_t pid = fork();
        if (pid == 0) {
            if (chdir(dir.c_str()) != 0) _exit(126);
            for (std::string& v : env) putenv(v.data());
            const int in = open("/dev/null", O_RDONLY);
            const int out = open("run.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = open("run.err", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
                dup2(err, 2) < 0)
                _exit(126);
            std::vector<char*> argv;
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        int raw = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (waitpid(pid, &raw, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                o.hung = true;
                kill(pid, SIGKILL);
                waitpid(pid, &raw, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
        o.exited = !o.hung && WIFEXITED(raw);
        o.status = o.exited ? WEXITSTATUS(raw) : -1;
        o.signal = WIFSIGNALED(raw) ? WTERMSIG(raw) : 0;
        o.out = text_of((dir / "run.out").string());
        o.err = text_of((dir / "run.err").string());
        std::istringstream lines(text_of(report));
        for (std::string word; lines >> word;) {
            if (word == "count") lines >> o.count;
            if (word == "failed") lines >> o.failed_site;
            if (word == "site") {
                long index = 0;
                lines >> index >> o.sites[index];
            }
        }
        const std::set<std::string> skip = {"run.out", "run.err", "alloc.report", "vx.log"};
        for (const auto& e : fs::recursive_directory_iterator(dir)) {
            if (!e.is_regular_file() && !e.is_symlink()) continue;
            const std::string rel = fs::relative(e.path(), dir).string();
            if (inputs.count(rel) || skip.count(rel)) continue;
            o.files[rel] = read_file(e.path().string());
        }
        return o;
    }

    static std::string inputs_;
};
std::string AllocFail::inputs_;

TEST_P(AllocFail, EveryFailedAllocationEndsCleanlyOrChangesNothing) {
    const Job& job = GetParam();
    const Outcome reference = run(job, 0, true);
    ASSERT_TRUE(reference.exited && reference.status == 0) << reference.err;
    ASSERT_GT(reference.count, 0) << "the preload library counted nothing";
    ASSERT_TRUE(!reference.files.empty() || !reference.out.empty());

    const long stride = std::max(1L, env_number("RAZIVAVU_ALLOCFAIL_STRIDE", 1));
    const long edge = env_number("RAZIVAVU_ALLOCFAIL_EDGE", 200);
    std::set<long> chosen;
    std::map<std::string, long> first_of_site;
    for (const auto& [index, site] : reference.sites) first_of_site.emplace(site, index);
    for (long n = 1; n <= reference.count; ++n)
        if (n % stride == 0 || n <= edge || n > reference.count - edge) chosen.insert(n);
    if (stride > 1)
        for (const auto& [site, index] : first_of_site) chosen.insert(index);

    std::set<std::string> failed_sites;
    long runs = 0, failures = 0;
    auto check = [&](long n, const std::string& site) {
        const Outcome o = run(job, n, false, site);
        ++runs;
        if (!o.failed_site.empty()) failed_sites.insert(o.failed_site);
        const std::string where = std::string(job.name) + " failing allocation " +
                                  std::to_string(n) + " at " + o.failed_site + site + "\n" + o.err;
        ASSERT_FALSE(o.hung) << where;
        ASSERT_TRUE(o.exited) << "signal " << o.signal << ": " << where;
        for (const auto& [path, bytes] : o.files) {
            EXPECT_EQ(path.find(".part"), std::string::npos) << path << ": " << where;
            const auto twin = reference.files.find(path);
            ASSERT_NE(twin, reference.files.end()) << path << ": " << where;
            EXPECT_TRUE(twin->second == bytes) << path << " differs: " << where;
        }
        if (o.status == 0) {
            EXPECT_EQ(o.files.size(), reference.files.size()) << where;
            EXPECT_EQ(o.out, reference.out) << where;
        } else {
            ++failures;
            EXPECT_FALSE(o.err.empty()) << "exit " << o.status << " without a message: " << where;
        }
    };
    for (const long n : chosen) {
        check(n, "");
        if (::testing::Test::HasFatalFailure()) return;
    }
    // With threads the Nth allocation is not always at the same site: a
    // site missed that way is aimed at by name.
    for (const auto& [site, index] : first_of_site) {
        if (failed_sites.count(site)) continue;
        check(0, site);
        if (::testing::Test::HasFatalFailure()) return;
    }
    std::vector<std::string> missed;
    for (const auto& [site, index] : first_of_site)
        if (!failed_sites.count(site)) missed.push_back(site);
    EXPECT_TRUE(missed.empty()) << missed.size() << " sites never failed, e.g. " << missed.front();
    std::printf(
        "%s: %ld allocations at %zu sites; %ld runs (%ld ended with an error), %zu sites "
        "failed\n",
        job.name, reference.count, first_of_site.size(), runs, failures, failed_sites.size());
    RecordProperty("allocations", static_cast<int>(reference.count));
    RecordProperty("sites", static_cast<int>(first_of_site.size()));
    RecordProperty("runs", static_cast<int>(runs));
}

const Job kJobs[] = {
    {"tool_bmp", RAZIVAVU_BINARY, {"pano.bmp", "32", "32"}, {"RAZIVAVU_THREADS=2"}},
    {"tool_jpeg", RAZIVAVU_BINARY, {"pano.jpg", "32", "32"}, {"RAZIVAVU_THREADS=2"}},
    {"tool_png", RAZIVAVU_BINARY, {"pano.png", "32", "32"}, {"RAZIVAVU_THREADS=2"}},
    {"tool_tiff", RAZIVAVU_BINARY, {"pano.tif", "32", "32"}, {"RAZIVAVU_THREADS=2"}},
    {"texture_dxt5", TEXTURE_BINARY, {"--format", "dxt5", "tex.png", "out.dds"}, {}},
    {"texture_argb8888", TEXTURE_BINARY, {"--format", "argb8888", "tex.bmp", "out.dds"}, {}},
    {"texture_ktx2", TEXTURE_BINARY, {"--format", "argb8888", "tex.bmp", "out.ktx2"}, {}},
    {"texture_p8", TEXTURE_BINARY, {"--format", "p8", "tex.jpg", "out.dds"}, {}},
    {"texture_normalmap",
     TEXTURE_BINARY,
     {"--profile", "normals.txt", "--format", "argb8888", "tex.png", "out.dds"},
     {}},
    {"inspect_png", INSPECT_BINARY, {"--png", ".", "pic00.vxt", "pic10c.vxt", "tex.dds"}, {}},
    {"inspect_compare", INSPECT_BINARY, {"--compare", "pic"}, {}},
};

INSTANTIATE_TEST_SUITE_P(Jobs, AllocFail, ::testing::ValuesIn(kJobs),
                         [](const ::testing::TestParamInfo<Job>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
