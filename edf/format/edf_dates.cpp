#include "edf/format/edf_dates.h"

#include <array>

namespace velmorant {

namespace {

std::optional<int> digitsAt(const std::string &text, std::size_t at, std::size_t count)
{
    if (at + count > text.size())
        return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// Three two-digit numbers joined by points.
std::optional<std::array<int, 3>> threeParts(const std::string &text)
{
    if (text.size() != 8 || text[2] != '.' || text[5] != '.')
        return std::nullopt;
    std::array<int, 3> parts{};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto part = digitsAt(text, 3 * i, 2);
        if (!part)
            return std::nullopt;
        parts[i] = *part;
    }
    return parts;
}

int daysInMonth(int month, int twoDigitYear)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    // Two-digit years stand for 1985 to 2084, where every fourth year is a
    // leap year (2000 included).
    return month == 2 && twoDigitYear % 4 == 0 ? 29 : days[month - 1];
}

} // namespace

std::optional<DayMonthYear> startDate(const std::string &text)
{
    const auto p = threeParts(text);
    if (!p || (*p)[1] < 1 || (*p)[1] > 12 || (*p)[0] < 1 || (*p)[0] > daysInMonth((*p)[1], (*p)[2]))
        return std::nullopt;
    return DayMonthYear{(*p)[0], (*p)[1], (*p)[2]};
}

bool isStartTime(const std::string &text)
{
    const auto p = threeParts(text);
    return p && (*p)[0] <= 23 && (*p)[1] <= 59 && (*p)[2] <= 59;
}

std::string withDotSeparators(std::string text)
{
    for (std::size_t at : {2, 5})
        if (at < text.size() && std::string(":-/").find(text[at]) != std::string::npos)
            text[at] = '.';
    return text;
}

std::optional<DayMonthYear> edfPlusDate(const std::string &text)
{
    static const std::string months = "JANFEBMARAPRMAYJUNJULAUGSEPOCTNOVDEC";
    if (text.size() != 11 || text[2] != '-' || text[6] != '-')
        return std::nullopt;
    const auto day = digitsAt(text, 0, 2), year = digitsAt(text, 7, 4);
    const std::size_t month = months.find(text.substr(3, 3));
    if (!day || *day < 1 || *day > 31 || !year || month == std::string::npos || month % 3 != 0)
        return std::nullopt;
    return DayMonthYear{*day, static_cast<int>(month / 3) + 1, *year};
}

} // namespace velmorant
