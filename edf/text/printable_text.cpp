#include "edf/text/printable_text.h"

#include "edf/text/utf8.h"

#include <algorithm>
#include <stdexcept>

namespace velmorant {

namespace {

// U+00A0 to U+017F: the Latin-1 letters, then Latin Extended-A.
const char latinBaseLetters[] = "_____________________u__________" // U+00A0
                                "AAAAAA_CEEEEIIIIDNOOOOO_OUUUUY__" // U+00C0
                                "aaaaaa_ceeeeiiiidnooooo_ouuuuy_y" // U+00E0
                                "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGg" // U+0100
                                "GgGgHhHhIiIiIiIiIi__JjKk_LlLlLlL" // U+0120
                                "lLlNnNnNn___OoOoOo__RrRrRrSsSsSs" // U+0140
                                "SsTtTtTtUuUuUuUuUuUuWwYyYZzZzZz_"; // U+0160
constexpr char32_t firstLatin = 0xA0;
constexpr char32_t lastLatin = 0x17F;
static_assert(sizeof latinBaseLetters == lastLatin - firstLatin + 2, "one letter each");

} // namespace

char baseLetter(char32_t c)
{
    if (c >= 32 && c <= 126)
        return static_cast<char>(c);
    if (c >= firstLatin && c <= lastLatin)
        return latinBaseLetters[c - firstLatin];
    return '_';
}

namespace {

bool hasHighByte(const std::string &text)
{
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) > 127; });
}

// The field's characters: UTF-16 units of valid UTF-8, or Latin-1 bytes.
std::u32string characters(const std::string &field)
{
    if (hasHighByte(field)) {
        try {
            const std::u16string units = decodeUtf8(field);
            return std::u32string(units.begin(), units.end());
        } catch (const std::range_error &) { }
    }
    std::u32string latin1;
    for (char c : field)
        latin1.push_back(static_cast<unsigned char>(c));
    return latin1;
}

} // namespace

std::string printableText(const std::string &field)
{
    std::u32string chars = characters(field);
    // NUL bytes at the end pad a text written as a C string.
    while (!chars.empty() && (chars.back() == 0 || chars.back() == ' '))
        chars.pop_back();
    std::string text;
    for (char32_t c : chars)
        text.push_back(baseLetter(c));
    text.resize(field.size(), ' ');
    return text;
}

} // namespace velmorant
