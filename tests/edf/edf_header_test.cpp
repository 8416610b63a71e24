#include "edf/format/data_format.h"
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

// The version field says EDF or BDF; the reserved field's mark adds "+" only
// when it is the format's own.
TEST(DataFormat, NamedFromTheVersionAndTheMark)
{
    const std::string bdf = "\xFF"
                            "BIOSEMI";
    const struct {
        std::string version, reserved, name;
        std::uint32_t sampleBytes;
    } rows[] = {
        {"0", "", "EDF", 2},
        {"0", "EDF+D", "EDF+", 2},
        {"0", "BDF+C", "EDF", 2},
        {bdf, "24BIT", "BDF", 3},
        {bdf, "BDF+C", "BDF+", 3},
        {bdf, "EDF+C", "BDF", 3},
        {"\xFF"
         "BIOSEM",
         "", "EDF", 2},
    };
    for (const auto &row : rows) {
        std::string header(fixedHeaderSize, ' ');
        header.replace(offsetOf(FixedField::version), row.version.size(), row.version);
        header.replace(offsetOf(FixedField::reserved), row.reserved.size(), row.reserved);
        EXPECT_EQ(formatName(header), row.name) << row.reserved;
        EXPECT_EQ(dataFormat(header).sampleBytes, row.sampleBytes) << row.reserved;
    }
}
