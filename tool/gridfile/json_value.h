// The small JSON reader of the manifest: enough for what the writer writes
// (objects, arrays, strings, whole numbers, true, false, null) and strict
// about everything else. Depth and size are bounded, so a hostile file costs
// at most its own length in memory and never the stack.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct JsonValue {
    enum class Kind { null, boolean, number, string, array, object } kind = Kind::null;
    bool boolean = false;
    int64_t number = 0;  // whole numbers only
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;
};

// Empty when `text` is one JSON value (with blanks around it); otherwise the
// reason with the offset where reading stopped.
std::string json_parse(const std::string& text, JsonValue& out);
