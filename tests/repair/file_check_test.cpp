#include "edf/format/edf_header.h"
#include "edf/wording/failure_text.h"
#include "repair/engine/file_check.h"
#include "repair/engine/header_repair.h"
#include "tests/support/edf_test_files.h"
#include "tests/support/header_cases.h"
#include "tests/support/scratch_dir.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace velmorant;

namespace {

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
    std::vector<RepairableFile> files = repairableFiles();
    for (const FailingHeader &failing : failingHeaders())
        files.push_back({failing.name, failing.bytes});
    for (const auto &[name, bytes] : files) {
        SCOPED_TRACE(name);
        const fs::path source = dir / (std::string(name) + ".edf");
        const fs::path destination = dir / (std::string(name) + "Fixed.edf");
        writeBytes(source, bytes);
        const FileOutcome outcome = repair.repairFile({source.string(), destination.string()});
        const RepairPreview preview = previewRepair(headerOf(bytes), bytes.size());
        ASSERT_EQ(preview.succeeds, outcome.repaired) << describe(outcome.failure);
        if (outcome.repaired) {
            const std::string result = readBytes(destination);
            EXPECT_EQ(result.substr(0, preview.header.size()), preview.header);
        } else {
            EXPECT_EQ(preview.failure.step, outcome.failure.step);
            EXPECT_EQ(describe(preview.failure), describe(outcome.failure));
        }
    }
}

TEST(FileCheck, ReadsWithoutWritingAndReportsWhatItCannotRead)
{
    ScratchDir dir;
    const std::string bytes = buildEdf(recorderFile());
    writeBytes(dir / "a.edf", bytes);
    fs::permissions(dir / "a.edf", fs::perms::owner_read);
    const fs::file_time_type modified = fs::last_write_time(dir / "a.edf");
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

// The check reads the data area from disk, in chunks, where the file is longer
// than its header says: it must come to what the repair will do.
TEST(FileCheck, AgreesWithTheThoroughRepairOnEveryCase)
{
    ScratchDir dir;
    for (const ThoroughCase &c : thoroughCases()) {
        SCOPED_TRACE(c.name);
        writeBytes(dir / "a.edf", c.bytes);
        const FileCheck check = checkFile((dir / "a.edf").string(), RecordReading::thorough,
                                          DataReading::whereLonger);
        const RepairPreview promised = thoroughPreview(c.bytes);
        EXPECT_EQ(check.soundAfterThoroughRepair, c.refusal == RepairStep::none);
        EXPECT_EQ(check.thorough.carriageReturnsRemoved, promised.carriageReturnsRemoved);
        EXPECT_EQ(describe(check.thorough.failure), describe(promised.failure));
    }
}
