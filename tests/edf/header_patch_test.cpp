#include "edf/format/edf_header.h"
#include "edf/repair/header_patch.h"
#include "tests/support/edf_test_files.h"

#include <gtest/gtest.h>

using namespace velmorant;

namespace {

struct Patched {
    std::string before;
    std::string after;
    std::string field(FixedField f) const { return fieldText(after.data(), f); }
};

Patched patch(const EdfFileSpec &fileSpec, std::int32_t records, std::uint32_t samplesPerRecord)
{
    Patched result;
    result.before = buildEdf(fileSpec).substr(0, fixedHeaderSize);
    result.after = result.before;
    patchFixedHeader(&result.after[0], RecorderRewrite{records, samplesPerRecord});
    return result;
}

// Every byte outside the given fields is as it was.
void expectOnlyChanged(const Patched &p, std::initializer_list<FixedField> changed)
{
    std::string before = p.before, after = p.after;
    for (FixedField f : changed) {
        before.replace(offsetOf(f), field(f).width, field(f).width, '*');
        after.replace(offsetOf(f), field(f).width, field(f).width, '*');
    }
    EXPECT_EQ(before, after);
}

} // namespace

TEST(PatchFixedHeader, RecorderFileGetsRecordsPerSecondAndOneSecondRecords)
{
    for (const char *date : {"20160817", "20170703"}) {
        EdfFileSpec fileSpec = recorderFile();
        fileSpec.version = date;
        const Patched p = patch(fileSpec, 921600, 512);
        EXPECT_EQ(p.field(FixedField::version), "0       ") << date;
        EXPECT_EQ(p.field(FixedField::dataRecords), "1800    ") << date;
        EXPECT_EQ(p.field(FixedField::recordDuration), "1       ") << date;
        expectOnlyChanged(
            p, {FixedField::version, FixedField::dataRecords, FixedField::recordDuration});
    }
}

// "1.5" reads as 1 to a lenient parse; only a duration that is one second stays.
TEST(PatchFixedHeader, DurationIsKeptOnlyWhenItIsExactlyOneSecond)
{
    EdfFileSpec fileSpec = recorderFile();
    for (const auto &[duration, after] : std::vector<std::pair<std::string, std::string>>{
             {"1.5", "1       "}, {"1", "1       "}, {"1.000", "1.000   "}, {"+1e0", "+1e0    "}}) {
        fileSpec.recordDuration = duration;
        const Patched p = patch(fileSpec, 921600, 512);
        EXPECT_EQ(p.field(FixedField::recordDuration), after) << duration;
        EXPECT_EQ(p.field(FixedField::dataRecords), "1800    ");
    }
}

TEST(PatchFixedHeader, RecordCountDivisionTruncates)
{
    EdfFileSpec fileSpec = recorderFile();
    fileSpec.dataRecords = "1000";
    EXPECT_EQ(patch(fileSpec, 1000, 512).field(FixedField::dataRecords), "1       ");
    fileSpec.dataRecords = "99999999";
    EXPECT_EQ(patch(fileSpec, 99999999, 1).field(FixedField::dataRecords), "99999999");
}

// -1 means "not known"; dividing its bit pattern would invent a count.
TEST(PatchFixedHeader, UnknownRecordCountIsKeptButDurationStillSet)
{
    EdfFileSpec fileSpec = recorderFile();
    fileSpec.dataRecords = "-1";
    for (std::uint32_t samples : {1u, 2u, 512u}) {
        const Patched p = patch(fileSpec, -1, samples);
        EXPECT_EQ(p.field(FixedField::dataRecords), "-1      ") << samples;
        EXPECT_EQ(p.field(FixedField::recordDuration), "1       ") << samples;
        EXPECT_EQ(p.field(FixedField::version), "0       ") << samples;
    }
}

TEST(PatchFixedHeader, OtherVersionsOnlyGetVersionZero)
{
    EdfFileSpec fileSpec = recorderFile();
    for (const char *version : {"20160818", "2016081", " 0", "EDF+"}) {
        fileSpec.version = version;
        const Patched p = patch(fileSpec, 921600, 512);
        EXPECT_EQ(p.field(FixedField::version), "0       ") << version;
        expectOnlyChanged(p, {FixedField::version});
    }
}

TEST(PatchFixedHeader, SoundHeaderStaysByteForByte)
{
    const Patched p = patch(soundFile(), 6, 512);
    EXPECT_EQ(p.after, p.before);
}
