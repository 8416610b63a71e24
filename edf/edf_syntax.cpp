#include "edf_syntax.h"

#include <charconv>
#include <cstddef>

namespace velmorant {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The text without its trailing spaces, or nothing if it is blank.
std::optional<std::string> trimmedEnd(const std::string &text)
{
    const std::size_t end = text.find_last_not_of(' ');
    if (end == std::string::npos)
        return std::nullopt;
    return text.substr(0, end + 1);
}

// Where the digits start, after an optional sign.
std::size_t afterSign(const std::string &text)
{
    return !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
}

} // namespace

std::optional<long long> edfInteger(const std::string &text)
{
    const auto number = trimmedEnd(text);
    if (!number)
        return std::nullopt;
    const std::size_t start = afterSign(*number);
    // Beyond 18 digits the value no longer fits; no EDF field is that wide.
    if (number->size() == start || number->size() - start > 18)
        return std::nullopt;
    long long value = 0;
    for (std::size_t i = start; i < number->size(); ++i) {
        if (!isDigit((*number)[i]))
            return std::nullopt;
        value = value * 10 + ((*number)[i] - '0');
    }
    return (*number)[0] == '-' ? -value : value;
}

std::optional<double> edfNumber(const std::string &text)
{
    const auto number = trimmedEnd(text);
    if (!number)
        return std::nullopt;
    const std::size_t start = afterSign(*number);
    if (number->size() == start || !isDigit((*number)[start]))
        return std::nullopt;
    bool point = false;
    for (std::size_t i = start; i < number->size(); ++i) {
        const char c = (*number)[i];
        if (c == '.' && !point)
            point = true;
        else if (!isDigit(c))
            return std::nullopt;
    }
    double value = 0;
    const char *first = number->data() + start;
    const char *last = number->data() + number->size();
    if (std::from_chars(first, last, value).ptr != last)
        return std::nullopt;
    return (*number)[0] == '-' ? -value : value;
}

} // namespace velmorant
