#include "edf/format/edf_header.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace velmorant;

namespace {

std::size_t totalWidth(const std::array<HeaderField, 10> &fields)
{
    return std::accumulate(fields.begin(), fields.end(), std::size_t{0},
                           [](std::size_t sum, const HeaderField &f) { return sum + f.width; });
}

} // namespace

// A wrong width anywhere in either table moves every field after it.
TEST(EdfHeaderLayout, TablesSpanExactlyOneHeaderRecordEach)
{
    EXPECT_EQ(totalWidth(fixedFields), fixedHeaderSize);
    EXPECT_EQ(totalWidth(signalFields), 256u);
}

TEST(EdfHeaderLayout, FieldOffsetsMatchTheEdfStandard)
{
    EXPECT_EQ(offsetOf(FixedField::version), 0u);
    EXPECT_EQ(offsetOf(FixedField::startDate), 168u);
    EXPECT_EQ(offsetOf(FixedField::headerBytes), 184u);
    EXPECT_EQ(offsetOf(FixedField::recordDuration), 244u);
    EXPECT_EQ(arrayOffset(SignalField::prefiltering, 3), 256u + 136u * 3);
    EXPECT_EQ(arrayOffset(SignalField::samplesPerRecord, 3), 256u + 216u * 3);
    EXPECT_EQ(arrayOffset(SignalField::reserved, 9999), 2240032u);
    EXPECT_EQ(arrayLength(SignalField::prefiltering, 9999), 799920u);
    EXPECT_EQ(headerSize(2), 768u);
}

TEST(EdfHeaderLayout, FieldTextKeepsTrailingSpaces)
{
    char header[256];
    std::fill(std::begin(header), std::end(header), 'x');
    std::copy_n("12  ", 4, header + 252);
    EXPECT_EQ(fieldText(header, FixedField::signalCount), "12  ");
}
