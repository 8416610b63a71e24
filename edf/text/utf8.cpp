#include "edf/text/utf8.h"

#include <stdexcept>

namespace velmorant {

namespace {

[[noreturn]] void badConversion()
{
    throw std::range_error("bad conversion");
}

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Number of bytes of the sequence that starts with this byte; 0 if it cannot start one.
std::size_t sequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC0 && lead < 0xE0)
        return 2;
    if (lead >= 0xE0 && lead < 0xF0)
        return 3;
    if (lead >= 0xF0 && lead < 0xF8)
        return 4;
    return 0;
}

void appendUtf16(std::u16string &out, char32_t codePoint)
{
    if (codePoint < 0x10000) {
        out.push_back(static_cast<char16_t>(codePoint));
        return;
    }
    codePoint -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
}

// The bytes that may follow each lead byte as the second one; the others
// must lie in 0x80 to 0xBF. Narrower ranges rule out overlong forms (E0, F0),
// surrogates (ED) and values above U+10FFFF (F4).
struct SecondByte {
    unsigned char low = 0x80, high = 0xBF;
};

SecondByte secondByteRange(unsigned char lead)
{
    switch (lead) {
    case 0xE0:
        return {0xA0, 0xBF};
    case 0xED:
        return {0x80, 0x9F};
    case 0xF0:
        return {0x90, 0xBF};
    case 0xF4:
        return {0x80, 0x8F};
    default:
        return {};
    }
}

} // namespace

std::size_t wellFormedLength(const std::string &text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80)
        return 1;
    // C0 and C1 only start overlong forms, F5 and above only values past U+10FFFF.
    if (lead < 0xC2 || lead > 0xF4)
        return 0;
    const std::size_t length = sequenceLength(lead);
    if (at + length > text.size())
        return 0;
    const SecondByte second = secondByteRange(lead);
    const auto next = static_cast<unsigned char>(text[at + 1]);
    if (next < second.low || next > second.high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (!isContinuation(static_cast<unsigned char>(text[at + k])))
            return 0;
    return length;
}

char32_t codePointAt(const std::string &text, std::size_t at, std::size_t length)
{
    static constexpr unsigned char leadMasks[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t codePoint = static_cast<unsigned char>(text[at]) & leadMasks[length];
    for (std::size_t k = 1; k < length; ++k)
        codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[at + k]) & 0x3F);
    return codePoint;
}

bool controlsTerminal(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F
        || (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::u16string decodeUtf8(const std::string &utf8)
{
    static constexpr unsigned char leadMasks[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = sequenceLength(lead);
        if (length == 0 || i + length > utf8.size())
            badConversion();
        char32_t codePoint = lead & leadMasks[length];
        for (std::size_t k = 1; k < length; ++k) {
            const auto byte = static_cast<unsigned char>(utf8[i + k]);
            if (!isContinuation(byte))
                badConversion();
            codePoint = (codePoint << 6) | (byte & 0x3F);
        }
        if (codePoint > 0x10FFFF)
            badConversion();
        appendUtf16(out, codePoint);
        i += length;
    }
    return out;
}

} // namespace velmorant
