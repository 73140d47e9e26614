// The two JSON pieces the reports are made of; the rest is plain
// concatenation.
#include <cmath>
#include <cstdio>

#include "inspect/inspect.h"

std::string json_string(const std::string& text) { return json_quote(text); }

std::string json_number(double value) {
    if (!std::isfinite(value)) return "null";
    char text[32];
    std::snprintf(text, sizeof(text), "%.6g", value);
    return text;
}
