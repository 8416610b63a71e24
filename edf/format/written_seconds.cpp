#include "edf/format/written_seconds.h"

#include <algorithm>

namespace velmorant {

namespace {

constexpr int attoDigits = 18;
// More whole seconds than this would not fit beside 18 decimals; a
// recording of thirty thousand years is not one.
constexpr std::size_t mostWholeDigits = 12;

__int128 powerOfTen(int exponent)
{
    __int128 value = 1;
    for (int i = 0; i < exponent; ++i)
        value *= 10;
    return value;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool allDigits(const std::string &text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), isDigit);
}

// Digits, optionally a point and more digits; at least one digit each side.
std::optional<WrittenSeconds> unsignedSeconds(const std::string &text)
{
    const std::size_t point = text.find('.');
    const std::string whole = text.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    if (!allDigits(whole) || (point != std::string::npos && !allDigits(fraction))
        || whole.size() > mostWholeDigits)
        return std::nullopt;
    WrittenSeconds seconds;
    for (char c : whole)
        seconds.attoseconds = seconds.attoseconds * 10 + (c - '0');
    seconds.attoseconds *= powerOfTen(attoDigits);
    const std::size_t kept = std::min<std::size_t>(fraction.size(), attoDigits);
    for (std::size_t i = 0; i < kept; ++i)
        seconds.attoseconds
            += (fraction[i] - '0') * powerOfTen(attoDigits - 1 - static_cast<int>(i));
    seconds.decimals = static_cast<int>(kept);
    return seconds;
}

} // namespace

std::optional<WrittenSeconds> onsetSeconds(const std::string &text)
{
    if (text.empty() || (text[0] != '+' && text[0] != '-'))
        return std::nullopt;
    auto seconds = unsignedSeconds(text.substr(1));
    if (seconds && text[0] == '-')
        seconds->attoseconds = -seconds->attoseconds;
    return seconds;
}

std::optional<WrittenSeconds> durationSeconds(const std::string &text)
{
    return unsignedSeconds(text.substr(0, text.find_last_not_of(' ') + 1));
}

std::string secondsText(__int128 attoseconds)
{
    const bool negative = attoseconds < 0;
    unsigned __int128 magnitude = negative ? -static_cast<unsigned __int128>(attoseconds)
                                           : static_cast<unsigned __int128>(attoseconds);
    const auto unit = static_cast<unsigned __int128>(powerOfTen(attoDigits));
    std::string whole;
    for (unsigned __int128 w = magnitude / unit; whole.empty() || w != 0; w /= 10)
        whole.insert(whole.begin(), static_cast<char>('0' + static_cast<int>(w % 10)));
    std::string fraction;
    for (unsigned __int128 f = magnitude % unit, scale = unit / 10; f != 0; scale /= 10) {
        fraction += static_cast<char>('0' + static_cast<int>(f / scale));
        f %= scale;
    }
    return (negative ? "-" : "") + whole + (fraction.empty() ? "" : "." + fraction);
}

bool isWithinFirstSecond(const WrittenSeconds &onset)
{
    return onset.attoseconds >= 0 && onset.attoseconds < powerOfTen(attoDigits);
}

__int128 writtenPrecision(const WrittenSeconds &a, const WrittenSeconds &b)
{
    return powerOfTen(attoDigits - std::max(a.decimals, b.decimals));
}

} // namespace velmorant
