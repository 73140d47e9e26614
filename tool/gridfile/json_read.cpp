// A recursive-descent JSON reader bounded in depth. Fractions and exponents
// are refused: nothing in a manifest is anything but a whole number, and a
// reader that took them would have to decide how to round a tile's size.
#include <cstdio>

#include "gridfile/gridfile.h"
#include "gridfile/json_value.h"

namespace {

constexpr int MAX_DEPTH = 16;

struct Reader {
    const std::string& s;
    size_t at = 0;
    std::string error;

    bool fail(const char* why) {
        if (error.empty()) error = std::string(why) + " at byte " + std::to_string(at);
        return false;
    }
    void blanks() {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\n' || s[at] == '\r' || s[at] == '\t'))
            ++at;
    }
    bool word(const char* w) {
        size_t n = 0;
        while (w[n]) ++n;
        if (s.compare(at, n, w) != 0) return fail("unknown word");
        at += n;
        return true;
    }
    bool hex4(uint32_t& out) {
        if (at + 4 > s.size()) return fail("short \\u escape");
        out = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = s[at++];
            out <<= 4;
            if (c >= '0' && c <= '9')
                out |= static_cast<uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                out |= static_cast<uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                out |= static_cast<uint32_t>(c - 'A' + 10);
            else
                return fail("bad \\u escape");
        }
        return true;
    }
    static void utf8(std::string& out, uint32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    bool string(std::string& out) {
        ++at;  // the opening quote
        for (;;) {
            if (at >= s.size()) return fail("unterminated string");
            const unsigned char c = static_cast<unsigned char>(s[at++]);
            if (c == '"') return true;
            if (c < 0x20) return fail("control character in a string");
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (at >= s.size()) return fail("unterminated string");
            const char e = s[at++];
            switch (e) {
                case '"':
                    out += '"';
                    break;
                case '\\':
                    out += '\\';
                    break;
                case '/':
                    out += '/';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    uint32_t c1 = 0;
                    if (!hex4(c1)) return false;
                    if (c1 >= 0xD800 && c1 < 0xDC00) {
                        uint32_t c2 = 0;
                        if (s.compare(at, 2, "\\u") != 0) return fail("lone surrogate");
                        at += 2;
                        if (!hex4(c2)) return false;
                        if (c2 < 0xDC00 || c2 >= 0xE000) return fail("lone surrogate");
                        c1 = 0x10000 + ((c1 - 0xD800) << 10) + (c2 - 0xDC00);
                    } else if (c1 >= 0xDC00 && c1 < 0xE000) {
                        return fail("lone surrogate");
                    }
                    utf8(out, c1);
                    break;
                }
                default:
                    return fail("bad escape");
            }
        }
    }
    bool number(int64_t& out) {
        const bool negative = s[at] == '-';
        if (negative) ++at;
        if (at >= s.size() || s[at] < '0' || s[at] > '9') return fail("bad number");
        if (s[at] == '0' && at + 1 < s.size() && s[at + 1] >= '0' && s[at + 1] <= '9')
            return fail("leading zero");
        uint64_t v = 0;
        while (at < s.size() && s[at] >= '0' && s[at] <= '9') {
            const uint64_t digit = static_cast<uint64_t>(s[at++] - '0');
            if (v > (static_cast<uint64_t>(INT64_MAX) - digit) / 10)
                return fail("number too large");
            v = v * 10 + digit;
        }
        if (at < s.size() && (s[at] == '.' || s[at] == 'e' || s[at] == 'E'))
            return fail("not a whole number");
        out = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
        return true;
    }
    bool value(JsonValue& out, int depth) {
        if (depth > MAX_DEPTH) return fail("nested too deep");
        blanks();
        if (at >= s.size()) return fail("value expected");
        const char c = s[at];
        if (c == '{') {
            out.kind = JsonValue::Kind::object;
            ++at;
            blanks();
            if (at < s.size() && s[at] == '}') return ++at, true;
            for (;;) {
                blanks();
                if (at >= s.size() || s[at] != '"') return fail("member name expected");
                std::string name;
                if (!string(name)) return false;
                blanks();
                if (at >= s.size() || s[at] != ':') return fail("':' expected");
                ++at;
                if (out.members.count(name)) return fail("member named twice");
                if (!value(out.members[name], depth + 1)) return false;
                blanks();
                if (at < s.size() && s[at] == ',') {
                    ++at;
                    continue;
                }
                if (at < s.size() && s[at] == '}') return ++at, true;
                return fail("',' or '}' expected");
            }
        }
        if (c == '[') {
            out.kind = JsonValue::Kind::array;
            ++at;
            blanks();
            if (at < s.size() && s[at] == ']') return ++at, true;
            for (;;) {
                out.items.emplace_back();
                if (!value(out.items.back(), depth + 1)) return false;
                blanks();
                if (at < s.size() && s[at] == ',') {
                    ++at;
                    continue;
                }
                if (at < s.size() && s[at] == ']') return ++at, true;
                return fail("',' or ']' expected");
            }
        }
        if (c == '"') {
            out.kind = JsonValue::Kind::string;
            return string(out.text);
        }
        if (c == 't' || c == 'f') {
            out.kind = JsonValue::Kind::boolean;
            out.boolean = c == 't';
            return word(c == 't' ? "true" : "false");
        }
        if (c == 'n') {
            out.kind = JsonValue::Kind::null;
            return word("null");
        }
        out.kind = JsonValue::Kind::number;
        return number(out.number);
    }
};

}  // namespace

std::string json_parse(const std::string& text, JsonValue& out) {
    out = JsonValue{};
    Reader r{text, 0, {}};
    if (!r.value(out, 0)) return r.error;
    r.blanks();
    if (r.at != text.size()) {
        r.fail("text after the value");
        return r.error;
    }
    return "";
}

std::string json_quote(const std::string& text) {
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}
