#include "edf/format/numeric_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <cstring>
#include <locale>

using namespace velmorant;

namespace {

std::string field8(const std::string &text)
{
    std::string f = text;
    f.resize(8, ' ');
    return f;
}

std::string failureMessage(const std::string &text)
{
    try {
        parseTo<std::int32_t>(text);
    } catch (const StringConvertionException &e) {
        return e.what();
    }
    return "(no exception)";
}

} // namespace

TEST(ParseTo, ReadsTheLeadingIntegerAndIgnoresTheRest)
{
    EXPECT_EQ(parseTo<std::int32_t>(field8("1800")), 1800);
    EXPECT_EQ(parseTo<std::int32_t>(field8("   12")), 12);
    EXPECT_EQ(parseTo<std::int32_t>(field8("+5")), 5);
    EXPECT_EQ(parseTo<std::int32_t>(field8("-1")), -1);
    EXPECT_EQ(parseTo<std::int32_t>(field8("0.5")), 0);
    EXPECT_EQ(parseTo<std::int32_t>(field8("1.5")), 1);
    EXPECT_EQ(parseTo<std::int32_t>(field8("12ab")), 12);
}

TEST(ParseTo, UnsignedFormIsDecimalAndWrapsAMinusSign)
{
    EXPECT_EQ(parseTo<std::uint32_t>(field8("256")), 256u);
    EXPECT_EQ(parseTo<std::uint32_t>(field8("00000512")), 512u);
    EXPECT_EQ(parseTo<std::uint32_t>("-1  "), 4294967295u);
}

TEST(ParseTo, TextWithoutDigitsRaisesWithTheWholeFieldInTheMessage)
{
    EXPECT_EQ(failureMessage("        "),
              "StringConvertion -> parseTo(): Fail to convert         ");
    EXPECT_EQ(failureMessage("abc     "),
              "StringConvertion -> parseTo(): Fail to convert abc     ");
    EXPECT_THROW(parseTo<std::uint32_t>("    "), StringConvertionException);
    EXPECT_THROW(parseTo<std::int32_t>("-       "), StringConvertionException);
    EXPECT_THROW(parseTo<std::int32_t>(""), StringConvertionException);
}

TEST(ParseTo, ValueOutOfRangeRaises)
{
    EXPECT_THROW(parseTo<std::int32_t>("2147483648"), StringConvertionException);
    EXPECT_THROW(parseTo<std::uint32_t>("4294967296"), StringConvertionException);
}

TEST(ToString, GivesTheShortestDecimalForm)
{
    EXPECT_EQ(toString(0), "0");
    EXPECT_EQ(toString(1800), "1800");
    EXPECT_EQ(toString(-1), "-1");
    EXPECT_EQ(toString(2147483647), "2147483647");
}

TEST(CopyFieldText, WritesExactlyTheTextAndNothingAfterIt)
{
    char header[256];
    std::memset(header, 'x', sizeof header);
    copyFieldText(header + 244, "1       ");
    EXPECT_EQ(std::string(header + 244, 8), "1       ");
    EXPECT_EQ(header[243], 'x');
    EXPECT_EQ(header[252], 'x');
}

// The window's toolkit sets the C library's locale from the environment, and a
// program may set the C++ global locale too; field text must not notice either.
class UnderCommaLocale : public ::testing::Test
{
protected:
    void SetUp() override
    {
        try {
            std::locale::global(std::locale("de_DE.UTF-8"));
        } catch (const std::runtime_error &) {
            GTEST_SKIP()
                << "locale de_DE.UTF-8 is not installed (scripts/install-deps.sh --tests makes it)";
        }
        std::setlocale(LC_ALL, "de_DE.UTF-8");
    }
    void TearDown() override
    {
        std::locale::global(std::locale::classic());
        std::setlocale(LC_ALL, "C");
    }
};

TEST_F(UnderCommaLocale, ParseAndFormatAreUnchanged)
{
    ASSERT_EQ(std::use_facet<std::numpunct<char>>(std::locale()).thousands_sep(), '.');
    EXPECT_EQ(parseTo<std::int32_t>(field8("1.5")), 1);
    EXPECT_EQ(parseTo<std::int32_t>(field8("0,5")), 0);
    EXPECT_EQ(parseTo<std::uint32_t>(field8("1.024")), 1u);
    EXPECT_EQ(toString(1800), "1800");
    EXPECT_EQ(toString(8388607), "8388607");
}
