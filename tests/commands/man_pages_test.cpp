// The manual pages cannot fall behind the commands: every option that a
// built command's --help lists has its entry in the built page, and the new
// options the tables brought reach the parsers as --help describes them.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "inspect/inspect.h"
#include "tests/commands/commands_test_support.h"

using namespace cmdtest;

namespace {

// "-o DIR, --out DIR" -> {"-o DIR", "--out DIR"}.
std::vector<std::string> entries_of(const std::string& synopsis) {
    std::vector<std::string> entries;
    size_t start = 0;
    for (size_t comma; (comma = synopsis.find(", ", start)) != std::string::npos; start = comma + 2)
        entries.push_back(synopsis.substr(start, comma - start));
    entries.push_back(synopsis.substr(start));
    return entries;
}

// The options of --help: lines that start with two blanks and a dash, their
// synopsis running up to the next two blanks.
std::set<std::string> help_options(const std::string& help) {
    std::set<std::string> options;
    std::istringstream in(help);
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, 3, "  -") != 0) continue;
        for (const std::string& e : entries_of(line.substr(2, line.find("  ", 2) - 2)))
            options.insert(e);
    }
    return options;
}

// Roff as it reads: font changes and guards dropped, escaped dashes and
// backslashes back.
std::string plain(const std::string& roff) {
    std::string text;
    for (size_t k = 0; k < roff.size(); ++k) {
        if (roff[k] != '\\' || k + 1 == roff.size()) {
            text += roff[k];
        } else if (roff[k + 1] == 'f' && k + 2 < roff.size()) {
            k += 2;
        } else if (roff[k + 1] == '&') {
            k += 1;
        } else {
            text += roff[k + 1] == 'e' ? '\\' : roff[k + 1];
            k += 1;
        }
    }
    return text;
}

// The tags of the page's OPTIONS section: the line after each ".TP".
std::set<std::string> page_options(const std::string& page) {
    std::set<std::string> options;
    std::istringstream in(page);
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, 4, ".SH ") == 0) inside = line == ".SH OPTIONS";
        if (!inside || line != ".TP" || !std::getline(in, line)) continue;
        for (const std::string& e : entries_of(plain(line))) options.insert(e);
    }
    return options;
}

TEST(ManualPages, EveryOptionOfHelpHasItsEntryInThePage) {
    const struct {
        const char* binary;
        const char* page;
    } cases[] = {
        {RAZIVAVU_BINARY, MAN_PAGE_DIR "/razivavu.1"},
        {INSPECT_BINARY, MAN_PAGE_DIR "/razivavu-inspect.1"},
        {TEXTURE_BINARY, MAN_PAGE_DIR "/razivavu-texture.1"},
    };
    for (const auto& c : cases) {
        const RunResult help = run(c.binary, "--help");
        ASSERT_EQ(help.status, 0) << c.binary;
        const std::set<std::string> listed = help_options(help.out);
        EXPECT_TRUE(listed.count("--help") && listed.count("--version") && listed.count("--"))
            << c.binary << ":\n"
            << help.out;
        std::ifstream in(c.page);
        ASSERT_TRUE(in) << c.page;
        const std::set<std::string> documented =
            page_options(std::string(std::istreambuf_iterator<char>(in), {}));
        for (const std::string& option : listed)
            EXPECT_TRUE(documented.count(option)) << c.page << " lacks " << option;
    }
}

TEST(ManualPages, DeepGoesWithCheckOnEitherSide) {
    const struct {
        std::vector<std::string> args;
        const char* refusal;  // empty: a deep check of "pano"
    } cases[] = {
        {{"--check", "--deep", "pano"}, ""},
        {{"--deep", "--check", "pano"}, ""},
        {{"--check=pano", "--deep"}, ""},
        {{"--deep", "pano00.vxt"}, "--deep goes with --check"},
        {{"--deep", "--json", "pano"}, "--deep goes with --check"},
    };
    for (const auto& c : cases) {
        ::InspectOptions o;
        EXPECT_EQ(parse_inspect_args(c.args, o), c.refusal) << c.args[0] << " " << c.args[1];
        if (*c.refusal) continue;
        EXPECT_EQ(o.mode, InspectMode::check);
        EXPECT_TRUE(o.deep);
        EXPECT_EQ(o.base, "pano");
    }
}

}  // namespace
