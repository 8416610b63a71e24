// Writes the fuzzer's seed corpus into the folder given: recorder files,
// readable files and one file for each way a repair can fail.

#include "edf_test_files.h"

#include <boost/filesystem/operations.hpp>

#include <functional>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

namespace fs = boost::filesystem;

namespace {

// Small data sections keep the fuzzer fast; the header is what it explores.
EdfFileSpec small(EdfFileSpec fileSpec, std::size_t records = 2)
{
    fileSpec.storedRecords = records;
    return fileSpec;
}

EdfFileSpec with(EdfFileSpec fileSpec, const std::function<void(EdfFileSpec &)> &change)
{
    change(fileSpec);
    return fileSpec;
}

std::vector<std::pair<std::string, std::string>> seeds()
{
    const EdfFileSpec recorder = small(recorderFile());
    const std::string header = buildEdf(small(recorderFile(), 0));
    return {
        {"recorder-20160817", buildEdf(recorder)},
        {"recorder-20170703", buildEdf(with(recorder, [](auto &s) { s.version = "20170703"; }))},
        {"recorder-duration-1", buildEdf(with(recorder, [](auto &s) { s.recordDuration = "1"; }))},
        {"recorder-uneven-count",
         buildEdf(with(recorder, [](auto &s) { s.dataRecords = "1000"; }))},
        {"recorder-unknown-count", buildEdf(with(recorder, [](auto &s) { s.dataRecords = "-1"; }))},
        {"recorder-unknown-count-1-sample",
         buildEdf(with(recorder,
                       [](auto &s) {
                           s.dataRecords = "-1";
                           s.samplesPerRecord = {"1", "1"};
                       }))},
        {"recorder-many-signals",
         buildEdf(with(recorder, [](auto &s) { s.samplesPerRecord.assign(12, "16"); }))},
        {"sound", buildEdf(small(soundFile()))},
        {"sound-edf-plus",
         buildEdf(with(small(soundFile()), [](auto &s) { s.headerReserved = "EDF+C"; }))},
        {"other-version", buildEdf(with(recorder, [](auto &s) { s.version = "1.0"; }))},
        {"no-signals",
         buildEdf(with(small(soundFile()), [](auto &s) { s.samplesPerRecord.clear(); }))
             + "256     "},
        {"zero-samples",
         buildEdf(with(recorder,
                       [](auto &s) {
                           s.samplesPerRecord = {"0", "512"};
                       }))},
        {"blank-count", buildEdf(with(recorder, [](auto &s) { s.dataRecords = ""; }))},
        {"letters-in-duration",
         buildEdf(with(recorder, [](auto &s) { s.recordDuration = "abc"; }))},
        {"minus-signals", buildEdf(with(recorder, [](auto &s) { s.signalCount = "-1"; }))},
        {"too-many-signals", buildEdf(with(recorder, [](auto &s) { s.signalCount = "9999"; }))},
        {"leading-zero-signals", buildEdf(with(recorder, [](auto &s) { s.signalCount = "0002"; }))},
        {"cut-in-signal-header", header.substr(0, 600)},
        {"header-only", header},
        {"fixed-header-only", header.substr(0, 256)},
        {"short-fixed-header", header.substr(0, 100)},
        {"empty", ""},
    };
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_seeds FOLDER\n";
        return 2;
    }
    const fs::path folder(argv[1]);
    fs::create_directories(folder);
    for (const auto &[name, bytes] : seeds())
        writeBytes(folder / name, bytes);
    return 0;
}
