#include "cli/json_value.h"

#include <cctype>
#include <cstdint>

namespace velmorant {

namespace {

std::string utf8Of(std::uint32_t code)
{
    std::string bytes;
    if (code < 0x80) {
        bytes += static_cast<char>(code);
    } else if (code < 0x800) {
        bytes += static_cast<char>(0xC0 | (code >> 6));
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        bytes += static_cast<char>(0xE0 | (code >> 12));
        bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        bytes += static_cast<char>(0xF0 | (code >> 18));
        bytes += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    }
    return bytes;
}

// A recursive descent over the text; each read* leaves `at` after what it read.
class Reader
{
public:
    explicit Reader(const std::string &text) : text(text) { }

    std::optional<JsonValue> whole()
    {
        std::optional<JsonValue> value = readValue(0);
        skipSpace();
        return value && at == text.size() ? value : std::nullopt;
    }

private:
    // Deeper than any line we write; a bound, so that no input exhausts the stack.
    static constexpr int deepest = 64;

    void skipSpace()
    {
        while (at < text.size()
               && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r'))
            ++at;
    }

    bool take(char c)
    {
        skipSpace();
        if (at < text.size() && text[at] == c) {
            ++at;
            return true;
        }
        return false;
    }

    bool takeWord(const char *word)
    {
        const std::string w(word);
        if (text.compare(at, w.size(), w) != 0)
            return false;
        at += w.size();
        return true;
    }

    std::optional<JsonValue> readValue(int depth)
    {
        skipSpace();
        if (at == text.size() || depth > deepest)
            return std::nullopt;
        JsonValue value;
        const char c = text[at];
        if (c == '{')
            return readObject(depth);
        if (c == '[')
            return readArray(depth);
        if (c == '"') {
            value.type = JsonValue::Type::string;
            return readString(value.text) ? std::optional<JsonValue>(value) : std::nullopt;
        }
        if (takeWord("null"))
            return value;
        value.type = JsonValue::Type::boolean;
        value.boolean = takeWord("true");
        if (value.boolean || takeWord("false"))
            return value;
        return readNumber();
    }

    std::optional<JsonValue> readNumber()
    {
        const std::size_t start = at;
        if (at < text.size() && text[at] == '-')
            ++at;
        const std::size_t digits = at;
        while (at < text.size()
               && (std::isdigit(static_cast<unsigned char>(text[at])) || text[at] == '.'
                   || text[at] == 'e' || text[at] == 'E' || text[at] == '+' || text[at] == '-'))
            ++at;
        if (at == digits || !std::isdigit(static_cast<unsigned char>(text[digits])))
            return std::nullopt;
        JsonValue value;
        value.type = JsonValue::Type::number;
        value.text = text.substr(start, at - start);
        return value;
    }

    bool readHex(std::uint32_t &code)
    {
        if (at + 4 > text.size())
            return false;
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text[at++];
            const int digit = c >= '0' && c <= '9' ? c - '0'
                : c >= 'a' && c <= 'f'             ? c - 'a' + 10
                : c >= 'A' && c <= 'F'             ? c - 'A' + 10
                                                   : -1;
            if (digit < 0)
                return false;
            code = code * 16 + static_cast<std::uint32_t>(digit);
        }
        return true;
    }

    // \uXXXX, a surrogate pair joined into one character.
    bool readUnicodeEscape(std::string &out)
    {
        std::uint32_t code = 0, low = 0;
        if (!readHex(code))
            return false;
        if (code >= 0xD800 && code < 0xDC00) {
            if (!takeWord("\\u") || !readHex(low) || low < 0xDC00 || low > 0xDFFF)
                return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        } else if (code >= 0xDC00 && code <= 0xDFFF) {
            return false;
        }
        out += utf8Of(code);
        return true;
    }

    bool readString(std::string &out)
    {
        ++at; // the opening quote
        while (at < text.size()) {
            const char c = text[at++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at == text.size())
                return false;
            const char escaped = text[at++];
            const std::string simple = "\"\\/bfnrt", meant = "\"\\/\b\f\n\r\t";
            const std::size_t which = simple.find(escaped);
            if (which != std::string::npos)
                out += meant[which];
            else if (escaped != 'u' || !readUnicodeEscape(out))
                return false;
        }
        return false;
    }

    std::optional<JsonValue> readArray(int depth)
    {
        ++at;
        JsonValue array;
        array.type = JsonValue::Type::array;
        if (take(']'))
            return array;
        do {
            std::optional<JsonValue> item = readValue(depth + 1);
            if (!item)
                return std::nullopt;
            array.items.push_back(std::move(*item));
        } while (take(','));
        return take(']') ? std::optional<JsonValue>(array) : std::nullopt;
    }

    std::optional<JsonValue> readObject(int depth)
    {
        ++at;
        JsonValue object;
        object.type = JsonValue::Type::object;
        if (take('}'))
            return object;
        do {
            skipSpace();
            std::string name;
            if (at == text.size() || text[at] != '"' || !readString(name) || !take(':'))
                return std::nullopt;
            std::optional<JsonValue> value = readValue(depth + 1);
            if (!value)
                return std::nullopt;
            object.members.emplace_back(std::move(name), std::move(*value));
        } while (take(','));
        return take('}') ? std::optional<JsonValue>(object) : std::nullopt;
    }

    const std::string &text;
    std::size_t at = 0;
};

} // namespace

const JsonValue *JsonValue::member(const std::string &name) const
{
    for (const auto &m : members)
        if (m.first == name)
            return &m.second;
    return nullptr;
}

std::optional<JsonValue> parseJson(const std::string &text)
{
    return Reader(text).whole();
}

} // namespace velmorant
