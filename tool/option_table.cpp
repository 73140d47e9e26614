// The option tables' lookup and their two printed forms, --help and the
// manual page.
#include "tool/option_table.h"

#include <algorithm>
#include <cstring>

namespace {

// No synopsis widens the help column beyond this; a longer one stands on a
// line of its own.
constexpr size_t WIDEST_SYNOPSIS = 24;

// The words of `text` in lines of at most `width` characters (a longer word
// gets a line to itself).
std::vector<std::string> wrap_words(const std::string& text, size_t width) {
    std::vector<std::string> lines;
    std::string line;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        start = end + 1;
        if (word.empty()) continue;
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            lines.push_back(line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// The help as a sentence of the manual page: a capital first letter and a
// closing full stop.
std::string as_sentence(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = char(text[0] - 'a' + 'A');
    if (!text.empty() && std::strchr(".!?", text.back()) == nullptr) text += '.';
    return text;
}

}  // namespace

bool option_value(const std::vector<std::string>& args, size_t& i, const char* name,
                  std::optional<std::string>& value) {
    const std::string& arg = args[i];
    const size_t n = std::strlen(name);
    if (arg.compare(0, n, name) != 0) return false;
    value.reset();
    if (arg.size() > n && arg[n] == '=') {
        value = arg.substr(n + 1);
        return true;
    }
    if (arg.size() != n) return false;
    if (i + 1 < args.size()) value = args[++i];
    return true;
}

const CommandOption* find_option(const OptionTable& table, const std::vector<std::string>& args,
                                 size_t& i, std::optional<std::string>& value) {
    value.reset();
    for (const CommandOption& row : table) {
        for (const char* spelling : row.spellings) {
            if (!spelling) continue;
            if (row.value ? option_value(args, i, spelling, value) : args[i] == spelling)
                return &row;
        }
    }
    return nullptr;
}

std::string option_synopsis(const CommandOption& row) {
    std::string text;
    for (const char* spelling : row.spellings) {
        if (!spelling) continue;
        if (!text.empty()) text += ", ";
        text += spelling;
        if (row.value) text += std::string(" ") + row.value;
    }
    return text;
}

std::string options_help(const OptionTable& table, size_t width) {
    size_t widest = 0;
    for (const CommandOption& row : table) {
        const size_t size = option_synopsis(row).size();
        if (size <= WIDEST_SYNOPSIS) widest = std::max(widest, size);
    }
    const size_t column = 2 + widest + 2;
    const std::string indent(column, ' ');
    std::string text;
    for (const CommandOption& row : table) {
        const std::string synopsis = option_synopsis(row);
        const std::vector<std::string> lines =
            wrap_words(row.help, width > column + 20 ? width - column : 20);
        std::string first = "  " + synopsis;
        size_t k = 0;
        if (synopsis.size() <= widest) {
            first.resize(column, ' ');
            if (!lines.empty()) first += lines[k++];
        }
        text += first + "\n";
        for (; k < lines.size(); ++k) text += indent + lines[k] + "\n";
    }
    return text;
}

std::string roff_text(const std::string& text) {
    std::string out;
    bool line_start = true;
    for (const char c : text) {
        if (line_start && (c == '.' || c == '\'')) out += "\\&";
        line_start = c == '\n';
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    return out;
}

std::string options_roff(const OptionTable& table) {
    std::string text;
    for (const CommandOption& row : table) {
        std::string tag;
        for (const char* spelling : row.spellings) {
            if (!spelling) continue;
            if (!tag.empty()) tag += ", ";
            tag += "\\fB" + roff_text(spelling) + "\\fR";
            if (row.value) tag += " \\fI" + roff_text(row.value) + "\\fR";
        }
        text += ".TP\n" + tag + "\n" + roff_text(as_sentence(row.help)) + "\n";
    }
    return text;
}
