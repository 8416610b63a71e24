#include "edf/deidentify/dates_in_text.h"

#include <regex>

namespace velmorant {

namespace {

const char *const monthPattern = "(jan(uary)?|feb(ruary)?|mar(ch)?|apr(il)?|may|june?|july?|"
                                 "aug(ust)?|sep(t(ember)?)?|oct(ober)?|nov(ember)?|dec(ember)?)";

const std::regex &datePattern()
{
    // Built once: a folder run asks for it for every annotation text.
    static const std::regex pattern(
        std::string("(\\d{1,2})[./-](\\d{1,2})[./-](\\d{4}|\\d{2})|\\d{4}-\\d{1,2}-\\d{1,2}|")
            + "\\d{1,2}(st|nd|rd|th)?[ -]" + monthPattern + "\\.?[ ,-]+\\d{4}|" + monthPattern
            + "\\.? \\d{1,2}(st|nd|rd|th)?,? \\d{4}",
        std::regex::icase | std::regex::optimize);
    return pattern;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Day and month in either order: 13.13.16 is no date, 12.13.16 is.
bool dayAndMonth(const std::string &first, const std::string &second)
{
    const int a = std::stoi(first), b = std::stoi(second);
    const auto day = [](int d) { return d >= 1 && d <= 31; };
    const auto month = [](int m) { return m >= 1 && m <= 12; };
    return (day(a) && month(b)) || (month(a) && day(b));
}

// Not part of a longer number or word.
bool standsAlone(const std::string &text, std::size_t from, std::size_t to)
{
    const auto joins = [](char c) { return isDigit(c) || isLetter(c); };
    return (from == 0 || !joins(text[from - 1])) && (to == text.size() || !joins(text[to]));
}

} // namespace

std::vector<std::pair<std::size_t, std::size_t>> datesIn(const std::string &text)
{
    std::vector<std::pair<std::size_t, std::size_t>> dates;
    std::smatch m;
    for (auto at = text.cbegin(); std::regex_search(at, text.cend(), m, datePattern());) {
        const auto from = static_cast<std::size_t>(m[0].first - text.cbegin());
        const std::size_t to = from + static_cast<std::size_t>(m.length(0));
        const bool numbers = m[1].matched;
        if (standsAlone(text, from, to) && (!numbers || dayAndMonth(m[1].str(), m[2].str()))) {
            dates.emplace_back(from, to);
            at = m[0].second;
        } else {
            at = m[0].first + 1;
        }
    }
    return dates;
}

std::string withoutDates(const std::string &text, std::size_t &dates)
{
    std::string result = text;
    const auto found = datesIn(text);
    for (const auto &[from, to] : found)
        result.replace(from, to - from, to - from, 'X');
    dates = found.size();
    return result;
}

} // namespace velmorant
