// One table of options per command. Each row holds an option's spellings,
// the name of its value and its help; the command's parser finds its words
// in the table, --help lists the table and the manual page's OPTIONS are
// made from it at build time, so the three can never tell different
// stories. What an option does stays in the command's own code, which
// switches on the row's id.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct CommandOption {
    int id;                    // the command's own code for the option
    const char* spellings[2];  // "-o", "--out"; the second may be null
    const char* value;         // the value's name ("DIR"); null for a switch
    const char* help;          // one sentence, no line breaks: the formatters wrap it
};

// A command's rows, kept in a constant array (nothing is allocated before
// main, where a failing allocation could not be reported).
struct OptionTable {
    const CommandOption* rows = nullptr;
    size_t count = 0;
    const CommandOption* begin() const { return rows; }
    const CommandOption* end() const { return rows + count; }
};

template <size_t N>
constexpr OptionTable option_table(const CommandOption (&rows)[N]) {
    return OptionTable{rows, N};
}

// The one argument grammar of the three commands: an option with a value
// takes it as the next word or after "=" ("--quality high",
// "--quality=high"). True when args[i] is the option `name`; `value` then
// holds its value (empty when it is missing) and `i` points at the last word
// used.
bool option_value(const std::vector<std::string>& args, size_t& i, const char* name,
                  std::optional<std::string>& value);

// The row args[i] names: a switch by one of its spellings exactly, an option
// with a value by option_value's grammar (`value` and `i` as there). Null
// when no row has the word; `i` is then unchanged. `value` is empty unless
// the row takes one and it was given.
const CommandOption* find_option(const OptionTable& table, const std::vector<std::string>& args,
                                 size_t& i, std::optional<std::string>& value);

// "-o DIR, --out DIR": the spellings of a row, each with the value's name.
std::string option_synopsis(const CommandOption& row);

// The option list of --help: per row its synopsis, indented by two, and its
// help beside it, wrapped to lines of at most `width` characters (a synopsis
// too wide for the column puts its help on the lines below).
std::string options_help(const OptionTable& table, size_t width = 79);

// The same rows as the body of a manual page's OPTIONS section (roff): one
// tagged paragraph per row, the spellings bold, the value italic, the help
// as a sentence.
std::string options_roff(const OptionTable& table);

// Text set in a roff paragraph as it reads: backslashes and dashes escaped,
// a line that would begin with a control character guarded.
std::string roff_text(const std::string& text);
