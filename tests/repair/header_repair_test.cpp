#include "edf/format/edf_header.h"
#include "edf/wording/failure_text.h"
#include "repair/deidentify/key_file.h"
#include "repair/engine/file_check.h"
#include "repair/engine/header_repair.h"
#include "repair/staging/unique_name.h"
#include "tests/support/edf_test_files.h"
#include "tests/support/header_cases.h"
#include "tests/support/scratch_dir.h"

#include <filesystem>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace velmorant;

namespace {

class HeaderRepairTest : public ::testing::Test
{
protected:
    // Writes the source, repairs it, and checks the source was not touched.
    bool repair(const EdfFileSpec &fileSpec, const fs::path &destination)
    {
        return repairBytes(buildEdf(fileSpec), destination);
    }

    bool repairBytes(const std::string &bytes, const fs::path &destination)
    {
        writeBytes(source, bytes);
        const bool repaired = repairPaths(source, destination);
        EXPECT_EQ(readBytes(source), bytes) << "the source changed";
        return repaired;
    }

    // Keeps what became of the file in `outcome`.
    bool repairPaths(const fs::path &from, const fs::path &to)
    {
        outcome = repairer.repairFile({from.string(), to.string()});
        return outcome.repaired;
    }

    // The folder holds only what the test put there: no staging file left behind.
    void expectFolderHolds(std::vector<std::string> names)
    {
        std::sort(names.begin(), names.end());
        EXPECT_EQ(dir.entries(), names);
    }

    ScratchDir dir;
    fs::path source = dir / "a.edf";
    fs::path destination = dir / "aFixed.edf";
    HeaderRepair repairer;
    FileOutcome outcome;
};

std::string spaces(std::size_t n)
{
    return std::string(n, ' ');
}

// The source with the given byte ranges replaced, as the repair should leave it.
std::string withRanges(std::string bytes,
                       const std::vector<std::pair<std::size_t, std::string>> &ranges)
{
    for (const auto &range : ranges)
        bytes.replace(range.first, range.second.size(), range.second);
    return bytes;
}

} // namespace

TEST_F(HeaderRepairTest, RecorderFileIsRepairedByteForByte)
{
    const std::string original = buildEdf(recorderFile());
    ASSERT_TRUE(repair(recorderFile(), destination)) << describe(outcome.failure);
    const std::string expected = withRanges(original,
                                            {
                                                {0, "0       "},
                                                {236, "1800    "},
                                                {244, "1       "},
                                                {528, spaces(160)},
                                                {704, spaces(64)},
                                            });
    EXPECT_EQ(readBytes(destination), expected);
    expectFolderHolds({"a.edf", "aFixed.edf"});
}

TEST_F(HeaderRepairTest, SoundFileKeepsItsFixedHeaderAndLosesFilterText)
{
    const std::string original = buildEdf(soundFile());
    ASSERT_TRUE(repair(soundFile(), destination));
    EXPECT_EQ(readBytes(destination),
              withRanges(original, {{528, spaces(160)}, {704, spaces(64)}}));
}

// Nothing to divide, so no first signal needed: its "samples" would be data bytes.
TEST_F(HeaderRepairTest, FileWithoutSignalsIsPatchedWithoutBlanking)
{
    EdfFileSpec fileSpec = soundFile();
    fileSpec.version = "V2";
    fileSpec.samplesPerRecord.clear();
    std::string bytes = buildEdf(fileSpec) + "512     and then data";
    ASSERT_TRUE(repairBytes(bytes, destination)) << describe(outcome.failure);
    EXPECT_EQ(readBytes(destination), withRanges(bytes, {{0, "0       "}}));
}

// The first copy of a folder and the ones after it reach their names in
// different ways, and copies of some size are held read-only before that;
// each replaces what was there, whole.
TEST_F(HeaderRepairTest, ExistingDestinationsAreReplacedOnSuccess)
{
    const std::string bytes = buildEdf(recorderFile()) + std::string(1 << 17, '\x55');
    writeBytes(source, bytes);
    const std::vector<fs::path> destinations{destination, dir / "bFixed.edf", dir / "cFixed.edf"};
    std::vector<RepairJob> jobs;
    for (const fs::path &to : destinations) {
        writeBytes(to, "an older repair");
        jobs.push_back({source.string(), to.string()});
    }
    std::size_t repaired = 0;
    repairer.repairAll(
        jobs, {}, [&](std::size_t, const FileOutcome &told) { repaired += told.repaired ? 1 : 0; });
    EXPECT_EQ(repaired, destinations.size());
    for (const fs::path &to : destinations) {
        const std::string copied = readBytes(to);
        EXPECT_EQ(fieldText(copied.data(), FixedField::dataRecords), "1800    ");
        EXPECT_EQ(copied.substr(copied.size() - (1 << 17)), bytes.substr(bytes.size() - (1 << 17)));
    }
    expectFolderHolds({"a.edf", "aFixed.edf", "bFixed.edf", "cFixed.edf"});
}

TEST_F(HeaderRepairTest, PathsAreUtf8Text)
{
    source = dir / "M\xC3\xBCller \xE6\xB8\xAC.edf";
    destination = dir / "M\xC3\xBCller \xE6\xB8\xAC Fixed.edf";
    EXPECT_TRUE(repair(recorderFile(), destination));
    EXPECT_TRUE(fs::exists(destination));
}

TEST_F(HeaderRepairTest, ReadOnlySourceGivesARepairedCopy)
{
    writeBytes(source, buildEdf(recorderFile()));
    fs::permissions(source, fs::perms::owner_read | fs::perms::group_read);
    ASSERT_TRUE(repairPaths(source, destination)) << describe(outcome.failure);
    EXPECT_EQ(fieldText(readBytes(destination).data(), FixedField::version), "0       ");
#ifndef _WIN32
    // The source's permission bits, whether or not the owner may write.
    EXPECT_EQ(fs::status(destination).permissions(), fs::status(source).permissions());
    fs::permissions(source, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(repairer.repairHeader(source.string(), destination.string()));
    EXPECT_EQ(fs::status(destination).permissions(), fs::status(source).permissions());
#endif
}

// Each failure: false, a reason naming what was wrong, and no file left behind.
void PrintTo(const FailingHeader &c, std::ostream *out)
{
    *out << c.name;
}

class RepairFailureTest : public HeaderRepairTest,
                          public ::testing::WithParamInterface<FailingHeader>
{
};

TEST_P(RepairFailureTest, FailsCleanlyAndSaysWhy)
{
    const FailingHeader &c = GetParam();
    EXPECT_FALSE(repairBytes(c.bytes, destination));
    EXPECT_EQ(outcome.failure.step, c.step) << describe(outcome.failure);
    EXPECT_EQ(outcome.failure.field, c.field);
    EXPECT_EQ(outcome.failure.found, c.found);
    expectFolderHolds({"a.edf"});
}

INSTANTIATE_TEST_SUITE_P(BrokenFiles, RepairFailureTest, ::testing::ValuesIn(failingHeaders()),
                         [](const auto &info) { return std::string(info.param.name); });

// The thorough repair writes the header and the whole records the preview
// promised, one the check finds sound, or nothing at all.
class ThoroughRepairTest : public HeaderRepairTest,
                           public ::testing::WithParamInterface<ThoroughCase>
{
};

TEST_P(ThoroughRepairTest, WritesWhatThePreviewPromisesOrNothing)
{
    const ThoroughCase &c = GetParam();
    repairer.setMode(RepairMode::thorough);
    const bool repaired = repairBytes(c.bytes, destination);
    ASSERT_EQ(repaired, c.refusal == RepairStep::none) << describe(outcome.failure);
    if (!repaired) {
        EXPECT_EQ(outcome.failure.step, c.refusal);
        expectFolderHolds({"a.edf"});
        return;
    }
    const RepairPreview preview = thoroughPreview(c.bytes);
    const std::size_t headerEnd = preview.header.size();
    const std::string &data = c.original.empty() ? c.bytes : c.original;
    EXPECT_EQ(readBytes(destination),
              preview.header + data.substr(headerEnd, preview.keptSize - headerEnd));
    EXPECT_TRUE(checkFile(destination.string()).sound);
    EXPECT_TRUE(outcome.check.sound);
}

// What the repair tells of its copy, judged from the bytes it wrote, is what
// a check of the copy finds; a file it refuses gets no copy, for the reason a
// check of the source gives.
TEST_P(ThoroughRepairTest, UsualRepairTellsWhatACheckOfItsCopyFinds)
{
    if (!repairBytes(GetParam().bytes, destination)) {
        const RepairFailure promised = checkFile(source.string()).preview.failure;
        EXPECT_NE(outcome.failure.step, RepairStep::none);
        EXPECT_EQ(outcome.failure.step, promised.step);
        EXPECT_EQ(describe(outcome.failure), describe(promised));
        expectFolderHolds({"a.edf"});
        return;
    }
    const FileCheck &told = outcome.check,
                    found = checkFile(destination.string(), RecordReading::ends);
    EXPECT_EQ(told.sound, found.sound);
    const auto rules = [](const FileCheck &check) {
        std::vector<std::string> named;
        for (const CheckedFinding &f : check.findings)
            named.push_back(ruleName(f.finding.rule) + (": " + f.finding.field));
        for (const Finding &f : check.annotationFaults)
            named.push_back(ruleName(f.rule));
        return named;
    };
    EXPECT_EQ(rules(told), rules(found));
}

INSTANTIATE_TEST_SUITE_P(Cases, ThoroughRepairTest, ::testing::ValuesIn(thoroughCases()),
                         [](const auto &info) { return std::string(info.param.name); });

// Clearing writes 'X' over every match, so a patient code of X's outlives it
// in an annotation text: only reading the copy back finds it there.
TEST_F(HeaderRepairTest, DeidentifiedCopyStillHoldingTheIdentityIsNeverWritten)
{
    EdfFileSpec plus = soundFile();
    plus.headerReserved = "EDF+C";
    plus.labels = {"EEG Fpz-Cz", "EDF Annotations"};
    plus.patient = "XXX F 02-MAY-1971 Jane_Roe";
    std::string bytes = buildEdf(plus);
    const std::string timekeeping("+0\x14\x14\0", 5);
    const char seen[] = "+0.5\x14seen by XXX\x14";
    bytes.replace(bytes.find(timekeeping) + timekeeping.size(), sizeof seen, seen, sizeof seen);
    repairer.setDeidentification(DeidentifyRequest{});
    EXPECT_FALSE(repairBytes(bytes, destination));
    EXPECT_EQ(outcome.failure.step, RepairStep::identityLeft) << describe(outcome.failure);
    EXPECT_EQ(outcome.failure.field, "data record 1");
    expectFolderHolds({"a.edf"});
}

#ifndef _WIN32
// The staging file holds the source's header, identity and all, until it is cleared.
TEST_F(HeaderRepairTest, DeidentifiedCopyIsPrivateUntilPutInPlace)
{
    writeBytes(source, buildEdf(soundFile()));
    fs::permissions(source,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read
                        | fs::perms::others_read);
    std::vector<fs::perms> staged;
    repairer.setCopyProgress([&](std::uintmax_t, std::uintmax_t) {
        for (const fs::directory_entry &entry : fs::directory_iterator(dir.path()))
            if (entry.path().extension() == ".velmorant-part")
                staged.push_back(entry.status().permissions() & fs::perms::all);
        return true;
    });
    repairer.setDeidentification(DeidentifyRequest{});
    ASSERT_TRUE(repairPaths(source, destination)) << describe(outcome.failure);
    ASSERT_FALSE(staged.empty());
    for (fs::perms mode : staged)
        EXPECT_EQ(mode, fs::perms::owner_read | fs::perms::owner_write);
    const mode_t umaskNow = ::umask(0);
    ::umask(umaskNow);
    EXPECT_EQ(static_cast<mode_t>(fs::status(destination).permissions()), 0644 & ~umaskNow);
}
#endif

// A row cut by a full disk is taken off, never glued onto the next one;
// a cell a spreadsheet would run as a formula is written as text.
TEST_F(HeaderRepairTest, KeyRowsStayWholeAndAreReadAsText)
{
    const fs::path key = dir / "key.csv";
    writeBytes(key, keyHeading() + "\"/out/a.edf\",\"/in/a.e");
    Deidentification done;
    done.originalPatient = "@SUM(1+1)";
    done.originalRecording = "\tStartdate";
    done.originalStartDate = "17.08.16";
    done.originalStartTime = "+22.10.00";
    std::string reason;
    ASSERT_TRUE(appendToPrivateFile(key.string(), keyHeading(),
                                    keyRow("=HYPERLINK(\"x\")", "-in/b.edf", done), reason))
        << reason;
    EXPECT_EQ(readBytes(key),
              keyHeading()
                  + "\"'=HYPERLINK(\"\"x\"\")\",\"'-in/b.edf\",\"'@SUM(1+1)\",\"'\tStartdate\","
                    "\"17.08.16\",\"'+22.10.00\",0\n");
}

TEST_F(HeaderRepairTest, ShortHeaderIsNeverParsedFromAnEarlierFile)
{
    ASSERT_TRUE(repair(recorderFile(), destination));
    EXPECT_FALSE(repairBytes(buildEdf(recorderFile()).substr(0, 10), dir / "second.edf"));
    EXPECT_EQ(outcome.failure.step, RepairStep::readFixedHeader);
    EXPECT_FALSE(fs::exists(dir / "second.edf"));
}

TEST_F(HeaderRepairTest, FailureLeavesAnEarlierDestinationUntouched)
{
    writeBytes(destination, "a repair the user made last week");
    EdfFileSpec broken = recorderFile();
    broken.samplesPerRecord = {"0", "512"};
    EXPECT_FALSE(repair(broken, destination));
    EXPECT_EQ(readBytes(destination), "a repair the user made last week");
    expectFolderHolds({"a.edf", "aFixed.edf"});
}

// A long copy says how far it has got; stopped there, the repair fails as
// cancelled and leaves an earlier destination as it was.
TEST_F(HeaderRepairTest, CopyReportsProgressAndCanBeCancelled)
{
    const std::uintmax_t size = std::uintmax_t(80) << 20;
    writeBytes(source, buildEdf(recorderFile()));
    fs::resize_file(source, size);
    std::vector<std::uintmax_t> reported;
    repairer.setCopyProgress([&](std::uintmax_t copied, std::uintmax_t total) {
        EXPECT_EQ(total, size);
        reported.push_back(copied);
        return true;
    });
    ASSERT_TRUE(repairer.repairHeader(source.string(), destination.string()));
    ASSERT_FALSE(reported.empty());
    EXPECT_LT(reported.front(), size);
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
    EXPECT_EQ(reported.back(), size);

    writeBytes(destination, "a repair the user made last week");
    repairer.setCopyProgress([](std::uintmax_t, std::uintmax_t) { return false; });
    EXPECT_FALSE(repairPaths(source, destination));
    EXPECT_EQ(outcome.failure.step, RepairStep::cancelled);
    EXPECT_EQ(readBytes(destination), "a repair the user made last week");
    expectFolderHolds({"a.edf", "aFixed.edf"});
}

TEST_F(HeaderRepairTest, MissingSourceOrFolderFailsAtTheCopy)
{
    EXPECT_FALSE(repairPaths(dir / "absent.edf", destination));
    EXPECT_EQ(describe(outcome.failure),
              "the copy could not be made: the source cannot be read: No such file or directory");
    EXPECT_FALSE(repair(recorderFile(), dir / "no such folder" / "a.edf"));
    EXPECT_EQ(describe(outcome.failure),
              "the copy could not be made: no file can be made in the destination folder: "
              "No such file or directory");
    expectFolderHolds({"a.edf"});
}

TEST_F(HeaderRepairTest, FolderAsSourceOrDestinationFails)
{
    fs::create_directory(dir / "sub.edf");
    EXPECT_FALSE(repairPaths(dir / "sub.edf", destination));
    EXPECT_EQ(outcome.failure.step, RepairStep::sourceNotRegularFile);
    EXPECT_FALSE(repair(recorderFile(), dir / "sub.edf"));
    EXPECT_TRUE(fs::is_directory(dir / "sub.edf"));
    expectFolderHolds({"a.edf", "sub.edf"});
}

// Copying a file onto itself truncates it; every way of naming the source as
// its own destination must be refused before anything is written.
TEST_F(HeaderRepairTest, SourceAsItsOwnDestinationIsRefused)
{
    const std::string original = buildEdf(recorderFile());
    writeBytes(source, original);
    fs::create_directory(dir / "sub");
    fs::create_hard_link(source, dir / "hard.edf");
    std::error_code noLinks; // Wine makes none
    fs::create_symlink(source, dir / "link.edf", noLinks);
    std::vector<std::pair<fs::path, fs::path>> pairs = {
        {source, source},
        {source, dir / "." / "a.edf"},
        {source, dir / "sub" / ".." / "a.edf"},
        {source, dir / "hard.edf"},
        {dir / "hard.edf", source},
    };
    if (!noLinks)
        pairs.insert(pairs.end(), {{source, dir / "link.edf"}, {dir / "link.edf", source}});
    for (const auto &pair : pairs) {
        EXPECT_FALSE(repairPaths(pair.first, pair.second)) << pair.first << " -> " << pair.second;
        EXPECT_EQ(outcome.failure.step, RepairStep::sameFile);
        EXPECT_EQ(readBytes(source), original);
    }
    if (noLinks)
        expectFolderHolds({"a.edf", "hard.edf", "sub"});
    else
        expectFolderHolds({"a.edf", "hard.edf", "link.edf", "sub"});
}

TEST_F(HeaderRepairTest, CopiesAcrossFileSystems)
{
    struct stat here {
    }, shm{};
    if (stat(dir.path().string().c_str(), &here) != 0 || stat("/dev/shm", &shm) != 0
        || here.st_dev == shm.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    const fs::path elsewhere
        = fs::path("/dev/shm") / velmorant::uniqueName("velmorant-%%%%%%%%.edf");
    const std::string original = buildEdf(recorderFile());
    std::uintmax_t reported = 0;
    repairer.setCopyProgress([&](std::uintmax_t copied, std::uintmax_t) {
        reported = copied;
        return true;
    });
    const bool repaired = repair(recorderFile(), elsewhere);
    const std::string copy = fs::exists(elsewhere) ? readBytes(elsewhere) : "";
    fs::remove(elsewhere);
    ASSERT_TRUE(repaired) << describe(outcome.failure);
    ASSERT_EQ(copy.size(), original.size());
    EXPECT_EQ(fieldText(copy.data(), FixedField::dataRecords), "1800    ");
    EXPECT_EQ(copy.substr(768), original.substr(768));
    EXPECT_EQ(reported, original.size());
}

TEST(RepairFailureWords, NameTheFieldAndQuoteItsText)
{
    EXPECT_EQ(describe({RepairStep::signalCount, "number of signals", "-1  ", ""}),
              "number of signals field holds \"-1  \", not a number from 0 to 9999");
    // Header bytes can neither break the line nor reach the terminal.
    EXPECT_EQ(describe({RepairStep::parseField, "duration", "\n\x1B[31m\\\xC8", ""}),
              "duration field holds \"\\x0A\\x1B[31m\\x5C\\xC8\", not a number");
    EXPECT_EQ(describe({RepairStep::copy, "", "",
                        "the source cannot be read: No such file or directory"}),
              "the copy could not be made: the source cannot be read: No such file or directory");
}
