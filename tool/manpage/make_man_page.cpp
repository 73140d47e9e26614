// make_man_page COMMAND PAGE OUTPUT: the manual page of COMMAND (razivavu,
// razivavu-inspect or razivavu-texture) from its hand-written parts, PAGE,
// into OUTPUT. PAGE is roff with these stand-ins:
//
//   @OPTIONS@       (a line of its own) the command's option table, a tagged
//                   paragraph per option, as --help lists them
//   @FORMATS@       (a line of its own) the texture formats by code and name
//   @VERSION@       the version the commands print
//   @FORMAT_COUNT@  how many texture formats there are
//
// Any other @WORD@ stops the build, so a stand-in spelt wrong is not
// printed in the page.
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "inspect/inspect.h"
#include "texcomp/texcomp.h"
#include "texture/texture.h"
#include "tool/option_table.h"
#include "tool/tiletool.h"
#include "vxsystem/vxsystem.h"

namespace {

bool table_of(const std::string& command, OptionTable& table) {
    if (command == "razivavu")
        table = tool_option_table();
    else if (command == "razivavu-inspect")
        table = inspect_option_table();
    else if (command == "razivavu-texture")
        table = texture_option_table();
    else
        return false;
    return true;
}

std::string formats_roff() {
    std::string text = ".PP\nThe formats of \\fB\\-\\-format\\fR, by code and name:\n";
    for (int32_t code = 0; code < TEXTURE_FORMAT_COUNT; ++code) {
        text += std::to_string(code) + " \\fB" + roff_text(texture_format_info(code)->name) +
                "\\fR" + (code + 1 < TEXTURE_FORMAT_COUNT ? ",\n" : ".\n");
    }
    return text;
}

void replace_all(std::string& line, const std::string& from, const std::string& to) {
    for (size_t at = line.find(from); at != std::string::npos; at = line.find(from, at + to.size()))
        line.replace(at, from.size(), to);
}

// The first @WORD@ (capitals and underscores) left in the line; empty when none.
std::string stand_in(const std::string& line) {
    for (size_t at = line.find('@'); at != std::string::npos; at = line.find('@', at + 1)) {
        size_t end = at + 1;
        while (end < line.size() &&
               (std::isupper(static_cast<unsigned char>(line[end])) || line[end] == '_'))
            ++end;
        if (end > at + 1 && end < line.size() && line[end] == '@')
            return line.substr(at, end + 1 - at);
    }
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    OptionTable table;
    if (argc != 4 || !table_of(argv[1], table)) {
        std::fprintf(stderr,
                     "usage: make_man_page razivavu|razivavu-inspect|razivavu-texture PAGE "
                     "OUTPUT\n");
        return 2;
    }
    std::ifstream in(argv[2]);
    if (!in) {
        std::fprintf(stderr, "make_man_page: cannot read %s\n", argv[2]);
        return 1;
    }
    std::ostringstream page;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line == "@OPTIONS@") {
            page << options_roff(table);
            continue;
        }
        if (line == "@FORMATS@") {
            page << formats_roff();
            continue;
        }
        replace_all(line, "@VERSION@", razivavu_version());
        replace_all(line, "@FORMAT_COUNT@", std::to_string(TEXTURE_FORMAT_COUNT));
        const std::string unknown = stand_in(line);
        if (!unknown.empty()) {
            std::fprintf(stderr, "make_man_page: %s:%d: unknown stand-in %s\n", argv[2], number,
                         unknown.c_str());
            return 1;
        }
        page << line << '\n';
    }
    std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
    out << page.str();
    out.close();
    if (!out) {
        std::fprintf(stderr, "make_man_page: cannot write %s\n", argv[3]);
        std::remove(argv[3]);
        return 1;
    }
    return 0;
}
