#include "edf_test_files.h"
#include "field_slots.h"
#include "file_check.h"
#include "header_repair.h"

#include <boost/filesystem/operations.hpp>

#include <gtest/gtest.h>

namespace fs = boost::filesystem;

namespace {

std::string withSlot(std::string bytes, const FieldSlot &slot, const std::string &text)
{
    bytes.replace(slot.offset, slot.width, padded(text, slot.width));
    return bytes;
}

std::string withFixed(const EdfFileSpec &fileSpec, FixedField f, const std::string &text)
{
    return withSlot(buildEdf(fileSpec), fixedSlot(f), text);
}

// Files the repair handles in every way it can: repaired, kept, refused.
std::vector<std::pair<std::string, std::string>> variants()
{
    EdfFileSpec unknownOne = recorderFile();
    unknownOne.dataRecords = "-1";
    unknownOne.samplesPerRecord = {"1", "512"};
    EdfFileSpec unknown512 = recorderFile();
    unknown512.dataRecords = "-1";
    EdfFileSpec uneven = recorderFile();
    uneven.dataRecords = "1000";
    uneven.storedRecords = 2;
    EdfFileSpec noSignals = soundFile();
    noSignals.version = "20170703";
    noSignals.samplesPerRecord.clear();
    EdfFileSpec zeroSamples = recorderFile();
    zeroSamples.samplesPerRecord = {"0", "512"};
    const std::string recorder = buildEdf(recorderFile());
    return {
        {"recorder", recorder},
        {"recorder_1", withFixed(recorderFile(), FixedField::version, "20170703")},
        {"recorder_duration_1", withFixed(recorderFile(), FixedField::recordDuration, "1")},
        {"sound", buildEdf(soundFile())},
        {"other_version", withFixed(soundFile(), FixedField::version, "V2")},
        {"unknown_records_1", buildEdf(unknownOne)},
        {"unknown_records_512", buildEdf(unknown512)},
        {"uneven", buildEdf(uneven)},
        {"no_signals", buildEdf(noSignals) + "512     and then data"},
        {"zero_samples", buildEdf(zeroSamples)},
        {"empty", ""},
        {"short_fixed_header", recorder.substr(0, 200)},
        {"header_only", recorder.substr(0, 256)},
        {"cut_in_signal_header", recorder.substr(0, 700)},
        {"blank_records", withFixed(recorderFile(), FixedField::dataRecords, "")},
        {"letter_duration", withFixed(recorderFile(), FixedField::recordDuration, "x.5")},
        {"negative_signals", withFixed(recorderFile(), FixedField::signalCount, "-1")},
        {"samples_not_number",
         withSlot(recorder, signalSlot(SignalField::samplesPerRecord, 1, 2), "abc")},
    };
}

std::string headerOf(const std::string &bytes)
{
    const std::string fixed = bytes.substr(0, fixedHeaderSize);
    return bytes.substr(0, previewExtent(fixed));
}

} // namespace

// The check promises what the repair will do; the promise must hold for
// every kind of file, success and failure alike.
TEST(RepairPreview, AgreesWithTheRepairItself)
{
    ScratchDir dir;
    HeaderRepair repair;
    for (const auto &[name, bytes] : variants()) {
        SCOPED_TRACE(name);
        const fs::path source = dir / (name + ".edf"), destination = dir / (name + "Fixed.edf");
        writeBytes(source, bytes);
        const bool repaired = repair.repairHeader(source.string(), destination.string());
        const RepairPreview preview = previewRepair(headerOf(bytes), bytes.size());
        ASSERT_EQ(preview.succeeds, repaired) << describe(repair.lastFailure());
        if (repaired) {
            const std::string result = readBytes(destination);
            EXPECT_EQ(result.substr(0, preview.header.size()), preview.header);
        } else {
            EXPECT_EQ(preview.failure.step, repair.lastFailure().step);
            EXPECT_EQ(describe(preview.failure), describe(repair.lastFailure()));
        }
    }
}

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

TEST(FileCheck, ARecorderDateOnAnAlreadyRightCountIsMadeWrongByTheRepair)
{
    EdfFileSpec fileSpec = soundFile();
    fileSpec.version = "20160817";
    const std::string bytes = buildEdf(fileSpec);
    const FileCheck check = checkHeaderBytes(bytes, bytes.size());
    EXPECT_FALSE(check.soundAfterRepair);
    ASSERT_EQ(check.findings.size(), 2u);
    EXPECT_TRUE(check.findings[0].repaired); // the version
    // 6 records / 512 samples leaves 0 records.
    EXPECT_TRUE(check.findings[1].causedByRepair);
    EXPECT_EQ(check.findings[1].finding.field, "number of data records");
    EXPECT_EQ(check.findings[1].finding.found, "0       ");
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

TEST(FileCheck, ReadsWithoutWritingAndReportsWhatItCannotRead)
{
    ScratchDir dir;
    const std::string bytes = buildEdf(recorderFile());
    writeBytes(dir / "a.edf", bytes);
    fs::permissions(dir / "a.edf", fs::perms::owner_read);
    const std::time_t modified = fs::last_write_time(dir / "a.edf");
    const FileCheck check = checkFile((dir / "a.edf").string());
    EXPECT_EQ(check.readError, "");
    EXPECT_EQ(check.findings.size(), 2u);
    EXPECT_EQ(readBytes(dir / "a.edf"), bytes);
    EXPECT_EQ(fs::last_write_time(dir / "a.edf"), modified);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"a.edf"});

    fs::create_directory(dir / "sub.edf");
    EXPECT_EQ(checkFile((dir / "sub.edf").string()).readError, "it is a folder");
    EXPECT_NE(checkFile((dir / "absent.edf").string()).readError, "");
}
