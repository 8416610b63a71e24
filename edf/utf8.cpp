#include "utf8.h"

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

} // namespace

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
