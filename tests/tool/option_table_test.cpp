// The option tables all three commands parse with: a word finds its row by
// the one argument grammar, --help lays the rows out in a column within the
// width, and the manual page's rows are roff that reads as the help does.
#include "tool/option_table.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tool/tiletool.h"

namespace {

enum { QUIET, OUT, PART };

constexpr CommandOption ROWS[] = {
    {QUIET, {"-q"}, nullptr, "nothing on standard output"},
    {OUT, {"-o", "--out"}, "DIR", "write the tiles into DIR instead of beside the picture"},
    {PART,
     {"--part"},
     "K/N|auto",
     "write only part K of the grid, a band of whole rows of tiles; .dots and 'quotes and a "
     "back\\slash pass through unharmed; a-hyphenated-word-to-wrap too"},
};
constexpr OptionTable TABLE = option_table(ROWS);

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> words_of(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

TEST(OptionTable, AWordFindsItsRowByTheArgumentGrammar) {
    const struct {
        std::vector<std::string> args;
        int id;  // -1: no row
        std::optional<std::string> value;
        size_t last;  // the word the lookup ends on
    } cases[] = {
        {{"-q", "f.bmp"}, QUIET, std::nullopt, 0},
        {{"--out", "d", "f.bmp"}, OUT, "d", 1},
        {{"-o=d", "f.bmp"}, OUT, "d", 0},
        {{"-o", "--help"}, OUT, "--help", 1},
        {{"--out"}, OUT, std::nullopt, 0},
        {{"--part=auto"}, PART, "auto", 0},
        {{"-q=1"}, -1, std::nullopt, 0},
        {{"--outside", "d"}, -1, std::nullopt, 0},
        {{"-od"}, -1, std::nullopt, 0},
        {{"--bogus"}, -1, std::nullopt, 0},
    };
    for (const auto& c : cases) {
        size_t i = 0;
        std::optional<std::string> value = "stale";
        const CommandOption* row = find_option(TABLE, c.args, i, value);
        EXPECT_EQ(row ? row->id : -1, c.id) << c.args[0];
        EXPECT_EQ(value, c.value) << c.args[0];
        EXPECT_EQ(i, c.last) << c.args[0];
    }
}

TEST(OptionTable, HelpPutsEveryRowInOneColumnWithinTheWidth) {
    for (const size_t width : {79u, 50u}) {
        const std::vector<std::string> lines = lines_of(options_help(TABLE, width));
        size_t column = 0;
        std::vector<std::string> help_words;
        std::vector<std::string> expected_words;
        for (const CommandOption& row : TABLE) {
            const std::vector<std::string> words = words_of(row.help);
            expected_words.insert(expected_words.end(), words.begin(), words.end());
        }
        size_t rows = 0;
        for (const std::string& line : lines) {
            EXPECT_LE(line.size(), width) << line;
            const size_t text = line.find_first_not_of(' ');
            if (text == 2) {  // a row starts with its synopsis
                const std::string synopsis = option_synopsis(ROWS[rows++]);
                ASSERT_EQ(line.compare(2, synopsis.size(), synopsis), 0) << line;
                const size_t help = line.find_first_not_of(' ', 2 + synopsis.size());
                if (help == std::string::npos) continue;
                if (column == 0) column = help;
                EXPECT_EQ(help, column) << line;
                for (const std::string& w : words_of(line.substr(help))) help_words.push_back(w);
            } else {
                EXPECT_EQ(text, column) << line;
                for (const std::string& w : words_of(line)) help_words.push_back(w);
            }
        }
        EXPECT_EQ(rows, TABLE.count);
        EXPECT_EQ(help_words, expected_words) << width;
    }
}

TEST(OptionTable, RoffEscapesWhatRoffWouldRead) {
    const struct {
        const char* text;
        const char* roff;
    } cases[] = {
        {"--out", "\\-\\-out"}, {".dots", "\\&.dots"},           {"'quotes", "\\&'quotes"},
        {"a.b 'c", "a.b 'c"},   {"back\\slash", "back\\eslash"}, {"one\n.two", "one\n\\&.two"},
    };
    for (const auto& c : cases) EXPECT_EQ(roff_text(c.text), c.roff) << c.text;
}

TEST(OptionTable, TheManualPageHasATaggedSentencePerRow) {
    const std::vector<std::string> lines = lines_of(options_roff(TABLE));
    ASSERT_EQ(lines.size(), 3 * TABLE.count);
    for (size_t k = 0; k < TABLE.count; ++k) {
        const CommandOption& row = ROWS[k];
        EXPECT_EQ(lines[3 * k], ".TP");
        for (const char* spelling : row.spellings) {
            if (!spelling) continue;
            std::string tag = "\\fB" + roff_text(spelling) + "\\fR";
            if (row.value) tag += " \\fI" + roff_text(row.value) + "\\fR";
            EXPECT_NE(lines[3 * k + 1].find(tag), std::string::npos) << lines[3 * k + 1];
        }
        std::string sentence = row.help;
        sentence[0] = static_cast<char>(std::toupper(sentence[0]));
        EXPECT_EQ(lines[3 * k + 2], roff_text(sentence + "."));
    }
}

// --sync, added last, reaches the parser through razivavu's table.
TEST(OptionTable, RazivavuReadsSyncFromItsTable) {
    std::vector<std::string> words = {"razivavu", "--sync", "f.bmp"};
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    ToolOptions o;
    ASSERT_EQ(parse_tool_options(3, argv.data(), o), "");
    EXPECT_TRUE(o.sync);
    EXPECT_EQ(o.operands, 2);
}

}  // namespace
