#include "edf/text/folded_text.h"

#include "edf/text/printable_text.h"
#include "edf/text/utf8.h"

#include <algorithm>

namespace velmorant {

namespace {

// One character of the text: its folded form and the bytes it came from.
struct FoldedChar {
    char32_t folded;
    std::size_t from;
    std::size_t to;
};

char32_t decoded(const std::string &text, std::size_t at, std::size_t length)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    if (length == 2)
        return (char32_t{byte(0)} & 0x1F) << 6 | (byte(1) & 0x3F);
    if (length == 3)
        return (char32_t{byte(0)} & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F);
    return (char32_t{byte(0)} & 0x07) << 18 | (byte(1) & 0x3F) << 12 | (byte(2) & 0x3F) << 6
        | (byte(3) & 0x3F);
}

char32_t fold(char32_t c)
{
    if (c >= 0xA0 && c <= 0x17F && baseLetter(c) != '_')
        c = static_cast<unsigned char>(baseLetter(c));
    return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

std::vector<FoldedChar> foldedChars(const std::string &text)
{
    std::vector<FoldedChar> chars;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = std::max<std::size_t>(wellFormedLength(text, at), 1);
        const char32_t c
            = length == 1 ? static_cast<unsigned char>(text[at]) : decoded(text, at, length);
        chars.push_back({fold(c), at, at + length});
        at += length;
    }
    return chars;
}

// Digits and letters, accented ones included, make words.
bool inWord(char32_t folded)
{
    return (folded >= '0' && folded <= '9') || (folded >= 'a' && folded <= 'z') || folded > 127;
}

bool matchesAt(const std::vector<FoldedChar> &chars, std::size_t at, const Needle &needle)
{
    const std::u32string &text = needle.text;
    if (text.empty() || chars.size() - at < text.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (chars[at + i].folded != text[i])
            return false;
    const std::size_t end = at + text.size();
    return !needle.wholeWord
        || ((at == 0 || !inWord(chars[at - 1].folded))
            && (end == chars.size() || !inWord(chars[end].folded)));
}

// For each character, whether a match covers it; the number of matches.
std::size_t markMatches(const std::vector<FoldedChar> &chars, const Needles &needles,
                        std::vector<bool> &covered)
{
    std::size_t matches = 0;
    covered.assign(chars.size(), false);
    for (const Needle &needle : needles)
        for (std::size_t at = 0; at < chars.size(); ++at)
            if (matchesAt(chars, at, needle)) {
                ++matches;
                std::fill_n(covered.begin() + static_cast<std::ptrdiff_t>(at), needle.text.size(),
                            true);
            }
    return matches;
}

} // namespace

std::u32string foldedNeedle(const std::string &text)
{
    std::u32string needle;
    for (const FoldedChar &c : foldedChars(text))
        needle.push_back(c.folded);
    return needle;
}

bool holdsAny(const std::string &text, const Needles &needles)
{
    std::vector<bool> covered;
    return markMatches(foldedChars(text), needles, covered) != 0;
}

std::string redacted(const std::string &text, const Needles &needles, std::size_t &matches)
{
    const std::vector<FoldedChar> chars = foldedChars(text);
    std::vector<bool> covered;
    matches = markMatches(chars, needles, covered);
    std::string result = text;
    for (std::size_t i = 0; i < chars.size(); ++i)
        if (covered[i])
            std::fill(result.begin() + static_cast<std::ptrdiff_t>(chars[i].from),
                      result.begin() + static_cast<std::ptrdiff_t>(chars[i].to), 'X');
    return result;
}

} // namespace velmorant
