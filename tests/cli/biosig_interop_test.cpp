// BioSig's reader, which shares no code with us, reads what the repair wrote.
#include "repair/engine/file_check.h"
#include "tests/support/edf_test_files.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace velmorant;

namespace {

// Every number that save2gdf's JSON gives for the key, in order.
std::vector<double> jsonNumbers(const std::string &json, const std::string &key)
{
    std::vector<double> numbers;
    const std::string quotedKey = "\"" + key + "\"";
    for (std::size_t at = json.find(quotedKey); at != std::string::npos;
         at = json.find(quotedKey, at + 1)) {
        const std::size_t colon = json.find(':', at);
        numbers.push_back(std::strtod(json.c_str() + colon + 1, nullptr));
    }
    return numbers;
}

struct BiosigView {
    double records = -1;
    std::vector<double> channelRates; // samples per second of each signal
};

BiosigView readWithBiosig(const std::filesystem::path &file)
{
    const ProgramRun run = runProgram(SAVE2GDF, {"-JSON", file.string()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    BiosigView view;
    const std::vector<double> records = jsonNumbers(run.out, "NumberOfRecords");
    std::vector<double> rates = jsonNumbers(run.out, "Samplingrate");
    EXPECT_EQ(records.size(), 1u) << run.out;
    EXPECT_FALSE(rates.empty()) << run.out;
    if (!records.empty())
        view.records = records[0];
    if (!rates.empty())
        view.channelRates.assign(rates.begin() + 1, rates.end()); // the first is the file's
    return view;
}

} // namespace

TEST(BiosigInterop, RepairedRecorderFilesReadWithTheirTrueLengthAndRates)
{
    EdfFileSpec twoRates = recorderFile();
    twoRates.samplesPerRecord = {"512", "256"};
    const std::pair<EdfFileSpec, std::vector<double>> cases[] = {
        {recorderFile(), {512, 512}}, // 1800 s at 512 Hz, stored as 921600 records
        {twoRates, {512, 256}},
    };
    for (const auto &[fileSpec, rates] : cases) {
        ScratchDir dir;
        writeBytes(dir / "rec.edf", buildEdf(fileSpec));
        // BioSig refuses the recorder's own file: its version field holds a date.
        EXPECT_NE(runProgram(SAVE2GDF, {"-JSON", (dir / "rec.edf").string()}).exitCode, 0);
        const ProgramRun repair = runProgram(VELMORANT_CLI, {(dir / "rec.edf").string()});
        ASSERT_EQ(repair.exitCode, 0) << repair.err;
        const BiosigView view = readWithBiosig(dir / "recFixed.edf");
        EXPECT_EQ(view.records, 1800);
        EXPECT_EQ(view.channelRates, rates);
        // Samples per record follow from rate and the one-second records.
        EXPECT_EQ(view.channelRates.size(), fileSpec.samplesPerRecord.size());
    }
}

// The files our check calls sound are files a real reader takes as they are.
TEST(BiosigInterop, FilesTheCheckFindsSoundAreReadAsTheyAre)
{
    EdfFileSpec edfPlus = soundFile();
    edfPlus.headerReserved = "EDF+C";
    edfPlus.labels = {"EEG Fpz-Cz", "EDF Annotations"};
    edfPlus.samplesPerRecord = {"100", "60"};
    EdfFileSpec rates = soundFile();
    rates.samplesPerRecord = {"256", "100", "1"};
    const std::pair<EdfFileSpec, std::vector<double>> cases[] = {
        {soundFile(), {512, 512}},
        {edfPlus, {100, 60}},
        {rates, {256, 100, 1}},
    };
    for (const auto &[fileSpec, channelRates] : cases) {
        ScratchDir dir;
        writeBytes(dir / "a.edf", buildEdf(fileSpec));
        const FileCheck check = checkFile((dir / "a.edf").string());
        EXPECT_TRUE(check.findings.empty());
        const BiosigView view = readWithBiosig(dir / "a.edf");
        EXPECT_EQ(view.records, 6);
        EXPECT_EQ(view.channelRates, channelRates);
    }
}

// The count never filled in and the last record cut short: BioSig reads the
// thorough repair with the records the file holds whole.
TEST(BiosigInterop, ThoroughRepairIsReadWithTheWholeRecordsTheFileHolds)
{
    EdfFileSpec fileSpec = soundFile();
    fileSpec.dataRecords = "-1";
    const std::string bytes = buildEdf(fileSpec);
    ScratchDir dir;
    writeBytes(dir / "rec.edf", bytes.substr(0, bytes.size() - 100));
    const ProgramRun repair = runProgram(VELMORANT_CLI, {"--thorough", (dir / "rec.edf").string()});
    ASSERT_EQ(repair.exitCode, 0) << repair.err;
    const BiosigView view = readWithBiosig(dir / "recFixed.edf");
    EXPECT_EQ(view.records, 5);
    EXPECT_EQ(view.channelRates, (std::vector<double>{512, 512}));
}
