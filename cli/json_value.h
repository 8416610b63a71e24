#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmorant {

// A JSON value as read back from the lines the command line writes. A number
// stays the text it was written as: nothing here depends on the C locale.
struct JsonValue {
    enum class Type { null, boolean, number, string, array, object };
    Type type = Type::null;
    bool boolean = false;
    std::string text; // a string's characters as UTF-8, or a number as written
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;

    // The member of that name, or null where there is none or this is no object.
    const JsonValue *member(const std::string &name) const;
};

// One whole JSON text; nothing where it is not exactly one value.
std::optional<JsonValue> parseJson(const std::string &text);

} // namespace velmorant
