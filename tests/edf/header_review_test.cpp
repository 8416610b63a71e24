#include "edf/format/field_slots.h"
#include "edf/repair/header_review.h"
#include "tests/support/edf_test_files.h"

#include <gtest/gtest.h>

using namespace velmorant;

namespace {

std::string withFixed(const EdfFileSpec &fileSpec, FixedField f, const std::string &text)
{
    const FieldSlot slot = fixedSlot(f);
    std::string bytes = buildEdf(fileSpec);
    bytes.replace(slot.offset, slot.width, padded(text, slot.width));
    return bytes;
}

} // namespace

TEST(RepairPreview, ListsEveryFieldItChanges)
{
    const RepairPreview preview
        = previewRepair(buildEdf(recorderFile()), buildEdf(recorderFile()).size());
    std::vector<std::string> changed;
    for (const FieldChange &c : preview.changes)
        changed.push_back(c.field + " " + std::to_string(c.signal) + ": " + c.from + "|" + c.to);
    const std::string filter = padded("HP:0.1Hz LP:70Hz", 80) + "|" + std::string(80, ' ');
    const std::string reserved = padded("unused", 32) + "|" + std::string(32, ' ');
    EXPECT_EQ(changed,
              (std::vector<std::string>{
                  "version 0: 20160817|0       ",
                  "number of data records 0: 921600  |1800    ",
                  "duration of a data record 0: 0.001953|1       ",
                  "prefiltering 1: " + filter,
                  "prefiltering 2: " + filter,
                  "reserved 1: " + reserved,
                  "reserved 2: " + reserved,
              }));
}

TEST(FileCheck, RecorderFileNeedsRepairAndBecomesSound)
{
    const FileCheck check
        = checkHeaderBytes(buildEdf(recorderFile()), buildEdf(recorderFile()).size());
    EXPECT_FALSE(check.sound);
    EXPECT_TRUE(check.soundAfterRepair);
    ASSERT_EQ(check.findings.size(), 2u);
    for (const CheckedFinding &f : check.findings) {
        EXPECT_TRUE(f.repaired) << f.finding.field;
        EXPECT_FALSE(f.causedByRepair);
    }
}

TEST(FileCheck, UnevenRecordCountStaysWrongAfterTheRepair)
{
    EdfFileSpec uneven = recorderFile();
    uneven.dataRecords = "1000"; // 1000 / 512 leaves 1 record, but 2 are stored
    uneven.storedRecords = 2;
    const std::string bytes = buildEdf(uneven);
    const FileCheck check = checkHeaderBytes(bytes, bytes.size());
    EXPECT_FALSE(check.soundAfterRepair);
    ASSERT_EQ(check.findings.size(), 2u);
    EXPECT_EQ(check.findings[1].finding.field, "file size");
    EXPECT_FALSE(check.findings[1].repaired);
}

// Dividing again would leave 6 records / 512 samples = 0 records.
TEST(FileCheck, ARecorderDateOnACountTheFileConfirmsKeepsCountAndDuration)
{
    EdfFileSpec fileSpec = soundFile();
    fileSpec.version = "20160817";
    const std::string bytes = buildEdf(fileSpec);
    const FileCheck check = checkHeaderBytes(bytes, bytes.size());
    EXPECT_TRUE(check.soundAfterRepair);
    ASSERT_EQ(check.findings.size(), 1u);
    EXPECT_TRUE(check.findings[0].repaired); // the version
    for (const FieldChange &c : check.preview.changes)
        EXPECT_TRUE(c.field != "number of data records" && c.field != "duration of a data record")
            << c.field;
}

TEST(FileCheck, ARefusedRepairRepairsNothing)
{
    const std::string bytes = withFixed(recorderFile(), FixedField::signalCount, "-1");
    const FileCheck check = checkHeaderBytes(bytes, bytes.size());
    EXPECT_FALSE(check.preview.succeeds);
    EXPECT_FALSE(check.soundAfterRepair);
    ASSERT_FALSE(check.findings.empty());
    for (const CheckedFinding &f : check.findings)
        EXPECT_FALSE(f.repaired) << f.finding.field;
}
