#include "edf/format/annotations.h"
#include "edf/repair/header_review.h"
#include "tests/support/edf_test_files.h"
#include "tests/support/header_cases.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace velmorant;

namespace {

// The literal's bytes, 0x00 included.
template<std::size_t N> std::string bytes(const char (&text)[N])
{
    return std::string(text, N - 1);
}

struct TalCase {
    const char *name;
    std::string bytes;
    TalFault fault;
};

} // namespace

TEST(Annotations, ReadsTalsAndNamesTheirFaults)
{
    const TalCase cases[] = {
        {"time_keeping", bytes("+0\x14\x14\0\0\0"), TalFault::none},
        {"more_tals",
         bytes("+0.5\x14\x14\0+1.25\x15"
               "3\x14"
               "Beep\x14"
               "\xC2\xB5V\x14\0\0"),
         TalFault::none},
        {"padding_only", std::string(12, '\0'), TalFault::noTimekeeping},
        {"first_text_not_empty",
         bytes("+0\x14"
               "Beep\x14\0"),
         TalFault::noTimekeeping},
        {"shifted", bytes("0\x14\x14\0\0"), TalFault::noTimekeeping},
        {"onset_letters", bytes("+1a\x14\x14\0"), TalFault::onset},
        {"onset_without_sign_later",
         bytes("+0\x14\x14\0"
               "5\x14\x14\0"),
         TalFault::bytesAfter},
        {"duration_signed", bytes("+0\x14\x14\0+1\x15-2\x14\x14\0"), TalFault::duration},
        {"not_ended", bytes("+0\x14\x14"), TalFault::notEnded},
        {"text_ended_by_zero",
         bytes("+0\x14\x14\0+1\x14"
               "Beep\0"),
         TalFault::notEnded},
        {"bytes_after_padding", bytes("+0\x14\x14\0\0x"), TalFault::bytesAfter},
        {"latin1_text",
         bytes("+0\x14\x14\0+1\x14"
               "B\xE9"
               "b\x14\0"),
         TalFault::notUtf8},
    };
    for (const TalCase &c : cases) {
        SCOPED_TRACE(c.name);
        const RecordTals read = readTals(c.bytes);
        EXPECT_EQ(read.fault, c.fault) << read.faultText;
    }
    const RecordTals read = readTals(cases[1].bytes);
    ASSERT_EQ(read.tals.size(), 2u);
    EXPECT_EQ(read.tals[1].texts, (std::vector<std::string>{"Beep", "\xC2\xB5V"}));
}

// Onsets late in a long recording compare exactly: as doubles, 99999 records
// of 0.1 s do not end at 9999.9.
TEST(Annotations, OnsetsAddUpExactly)
{
    EXPECT_EQ(onsetSeconds("+9999.9")->attoseconds,
              99999 * durationSeconds("0.1     ")->attoseconds);
    EXPECT_EQ(secondsText(onsetSeconds("-0.065")->attoseconds), "-0.065");
    EXPECT_FALSE(onsetSeconds("1.5"));
    EXPECT_FALSE(onsetSeconds("+.5"));
}

// --check reads the first and the last record of EDF+C, every record of EDF+D.
TEST(Annotations, TheCheckNamesMisplacedRecordsAndCountsGaps)
{
    struct Expected {
        const char *thoroughCase;
        const char *fault; // the first record named, or nothing
        std::uintmax_t gaps;
        const char *longest;
    };
    const Expected rows[] = {
        {"sound_edf_plus", "", 0, "0"},
        {"edf_plus_byte_removed", "data record 5", 0, "0"},
        {"edf_plus_byte_inserted", "data record 6", 0, "0"},
        {"edf_plus_last_tal_broken", "data record 6", 0, "0"},
        {"edf_plus_c_gap", "data record 6", 0, "0"},
        {"edf_plus_c_starting_late", "data record 1", 0, "0"},
        {"edf_plus_d_gap", "", 1, "10"},
        {"edf_plus_d_going_back", "data record 4", 0, "0"},
        {"edf_plus_stale_count_not_records", "data record 7", 0, "0"},
    };
    const std::vector<ThoroughCase> cases = thoroughCases();
    for (const Expected &row : rows) {
        SCOPED_TRACE(row.thoroughCase);
        const auto c = std::find_if(cases.begin(), cases.end(), [&](const ThoroughCase &t) {
            return std::string(t.name) == row.thoroughCase;
        });
        ASSERT_NE(c, cases.end());
        BytesInMemory data(c->bytes);
        const FileCheck check = checkHeaderBytes(c->bytes, c->bytes.size(), &data);
        EXPECT_TRUE(check.timekeepingRead);
        EXPECT_EQ(check.annotationFaults.empty() ? "" : check.annotationFaults[0].field, row.fault);
        EXPECT_EQ(check.gaps, row.gaps);
        EXPECT_EQ(check.longestGap, row.longest);
        EXPECT_EQ(check.sound, !*row.fault);
    }
    // A recorder's fraction of a second puts the records apart only until the
    // repair makes it one second.
    EdfFileSpec recorderPlus = soundFile();
    recorderPlus.headerReserved = "EDF+C";
    recorderPlus.labels = {"EEG Fpz-Cz", "EDF Annotations"};
    recorderPlus.version = "20160817";
    recorderPlus.dataRecords = "3072";
    recorderPlus.recordDuration = "0.001953";
    recorderPlus.onsets = {"+0", "+1", "+2", "+3", "+4", "+5"};
    const std::string recorder = buildEdf(recorderPlus);
    BytesInMemory data(recorder);
    const FileCheck check = checkHeaderBytes(recorder, recorder.size(), &data);
    EXPECT_FALSE(check.annotationFaults.empty());
    EXPECT_TRUE(check.timekeepingRepaired);
    EXPECT_TRUE(check.soundAfterRepair);
}
