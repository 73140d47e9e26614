// The profile as the command sees it: read once for its checks, and looked
// over line by line for what the library would skip without a word. The
// library still reads the file itself, as it always has; the command only
// reports.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "texture/texture.h"

std::string read_profile_text(const std::string& path, std::string& text) {
    text.clear();
    const auto reason = [&](int error) {
        return "cannot read the profile " + path + ": " + std::strerror(error);
    };
    // Looked at before it is opened: opening a FIFO would wait for a writer.
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return reason(errno);
    if (S_ISDIR(st.st_mode)) return reason(EISDIR);
    if (!S_ISREG(st.st_mode)) return "cannot read the profile " + path + ": not a regular file";
    errno = 0;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return reason(errno != 0 ? errno : EIO);
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    const int error = std::ferror(f) ? (errno != 0 ? errno : EIO) : 0;
    std::fclose(f);
    return error != 0 ? reason(error) : "";
}

std::vector<std::string> profile_warnings(const std::string& path, const std::string& text) {
    std::vector<std::string> warnings;
    size_t start = 0;
    for (int line_number = 1; start < text.size(); ++line_number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string where = path + ":" + std::to_string(line_number) + ": ";
        if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') continue;
        const size_t blank = line.find(' ');
        if (blank == std::string::npos) {
            warnings.push_back(where + "\"" + line + "\" has no value after a blank; ignored");
            continue;
        }
        const std::string key = line.substr(0, blank);
        const TextureSettingKey* k = texture_setting_key_find(key.c_str(), nullptr);
        if (blank == 0 || !k) {
            warnings.push_back(where + "unknown key \"" + key + "\"; ignored");
            continue;
        }
        if (k->scope == SettingScope::RecordOnly) {
            warnings.push_back(where + key + " is no profile key (give it with --set); ignored");
            continue;
        }
        const size_t value_start = line.find_first_not_of(' ', blank);
        const std::string value = value_start == std::string::npos ? "" : line.substr(value_start);
        if (k->kind != SettingKind::Text) {
            char* stop = nullptr;
            std::strtod(value.c_str(), &stop);
            if (stop == value.c_str())
                warnings.push_back(where + key + ": \"" + value + "\" holds no number; read as 0");
        }
    }
    return warnings;
}
