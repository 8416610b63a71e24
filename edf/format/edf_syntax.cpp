#include "edf/format/edf_syntax.h"

#include <charconv>
#include <cstddef>
#include <string_view>

namespace velmorant {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The text without its trailing spaces, or nothing if it is blank. A view:
// every field of a header of many signals passes through here.
std::optional<std::string_view> trimmedEnd(const std::string &text)
{
    const std::size_t end = text.find_last_not_of(' ');
    if (end == std::string::npos)
        return std::nullopt;
    return std::string_view(text).substr(0, end + 1);
}

// Where the digits start, after an optional sign at `at`.
std::size_t afterSign(std::string_view text, std::size_t at = 0)
{
    return at < text.size() && (text[at] == '+' || text[at] == '-') ? at + 1 : at;
}

std::size_t afterDigits(std::string_view text, std::size_t at)
{
    while (at < text.size() && isDigit(text[at]))
        ++at;
    return at;
}

// Digits with at most one point, at least one digit ("5", "5.", ".5"), then
// an optional exponent with digits of its own: what a C-locale strtod reads
// in decimal. Hexadecimal, infinity and NaN are left out.
bool isDecimalForm(std::string_view text, std::size_t start)
{
    std::size_t at = afterDigits(text, start);
    std::size_t digits = at - start;
    if (at < text.size() && text[at] == '.') {
        const std::size_t fraction = at + 1;
        at = afterDigits(text, fraction);
        digits += at - fraction;
    }
    if (digits == 0)
        return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        const std::size_t exponent = afterSign(text, at + 1);
        at = afterDigits(text, exponent);
        if (at == exponent)
            return false;
    }
    return at == text.size();
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
    if (!isDecimalForm(*number, start))
        return std::nullopt;
    // from_chars reads the same forms whatever the process locale says.
    double value = 0;
    const char *first = number->data() + start;
    const char *last = number->data() + number->size();
    const auto read = std::from_chars(first, last, value);
    if (read.ec != std::errc() || read.ptr != last)
        return std::nullopt;
    return (*number)[0] == '-' ? -value : value;
}

} // namespace velmorant
