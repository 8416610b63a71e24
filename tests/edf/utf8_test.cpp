#include "edf/text/utf8.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace velmorant;

namespace {

std::string rangeErrorOf(const std::string &text)
{
    try {
        decodeUtf8(text);
    } catch (const std::range_error &e) {
        return e.what();
    }
    return "(accepted)";
}

} // namespace

TEST(DecodeUtf8, DecodesEverySequenceLength)
{
    EXPECT_EQ(decodeUtf8("D:/rec/a.edf"), u"D:/rec/a.edf");
    EXPECT_EQ(decodeUtf8("M\xC3\xBCller"), u"M\u00FCller");
    EXPECT_EQ(decodeUtf8("\xE6\xB8\xAC"), u"\u6E2C");
    EXPECT_EQ(decodeUtf8("\xF0\x9F\xA7\xA0"), u"\U0001F9E0"); // outside the BMP: a surrogate pair
    EXPECT_EQ(decodeUtf8("\xF4\x8F\xBF\xBF"), u"\U0010FFFF");
    EXPECT_EQ(decodeUtf8(""), u"");
}

TEST(DecodeUtf8, RejectsMalformedText)
{
    EXPECT_EQ(rangeErrorOf("a\x80z"), "bad conversion"); // continuation where a character begins
    EXPECT_EQ(rangeErrorOf("\xC3z"), "bad conversion"); // missing continuation
    EXPECT_EQ(rangeErrorOf("ab\xE6\xB8"), "bad conversion"); // cut off at the end
    EXPECT_EQ(rangeErrorOf("\xF4\x90\x80\x80"), "bad conversion"); // above U+10FFFF
    EXPECT_EQ(rangeErrorOf("\xFF"), "bad conversion");
}

TEST(WellFormedUtf8, RefusesWhatTheDecoderLetsThrough)
{
    const std::pair<std::string, std::size_t> cases[] = {
        {"a", 1},
        {"\xC3\xBC", 2},
        {"\xEF\xBF\xBD", 3},
        {"\xF4\x8F\xBF\xBF", 4},
        {"\xC0\xAF", 0}, // overlong "/"
        {"\xE0\x80\xAF", 0}, // overlong "/"
        {"\xF0\x80\x80\xAF", 0}, // overlong "/"
        {"\xED\xA0\x80", 0}, // surrogate
        {"\xF4\x90\x80\x80", 0}, // above U+10FFFF
        {"\xE9t", 0}, // Latin-1
        {"\xE6\xB8", 0}, // cut short
        {"\x80", 0},
    };
    for (const auto &[text, length] : cases)
        EXPECT_EQ(wellFormedLength(text, 0), length) << ::testing::PrintToString(text);
}
