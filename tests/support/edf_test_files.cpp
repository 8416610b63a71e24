#include "tests/support/edf_test_files.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

EdfFileSpec recorderFile()
{
    return EdfFileSpec{};
}

EdfFileSpec repairedRecorderFile()
{
    EdfFileSpec fileSpec = recorderFile();
    fileSpec.version = "0";
    fileSpec.dataRecords = "1800";
    fileSpec.recordDuration = "1";
    fileSpec.prefiltering = "";
    fileSpec.signalReserved = "";
    return fileSpec;
}

EdfFileSpec soundFile()
{
    EdfFileSpec fileSpec;
    fileSpec.version = "0";
    fileSpec.dataRecords = "6";
    fileSpec.recordDuration = "1";
    fileSpec.storedRecords = 6;
    return fileSpec;
}

std::string padded(const std::string &text, std::size_t width)
{
    std::string field = text.substr(0, width);
    field.resize(width, ' ');
    return field;
}

namespace {

std::size_t signalsOf(const EdfFileSpec &fileSpec)
{
    return fileSpec.samplesPerRecord.size();
}

std::string perSignal(const EdfFileSpec &fileSpec, const std::vector<std::string> &values,
                      const std::string &fallback, std::size_t width)
{
    std::string array;
    for (std::size_t i = 0; i < signalsOf(fileSpec); ++i)
        array += padded(i < values.size() ? values[i] : fallback, width);
    return array;
}

std::string repeated(const EdfFileSpec &fileSpec, const std::string &value, std::size_t width)
{
    return perSignal(fileSpec, {}, value, width);
}

// The value for every measured signal, blank for annotation signals.
std::string measured(const EdfFileSpec &fileSpec, const std::string &value, std::size_t width)
{
    std::vector<std::string> values;
    for (std::size_t i = 0; i < signalsOf(fileSpec); ++i)
        values.push_back(
            i < fileSpec.labels.size() && fileSpec.labels[i] == "EDF Annotations" ? "" : value);
    return perSignal(fileSpec, values, "", width);
}

std::string labels(const EdfFileSpec &fileSpec)
{
    std::vector<std::string> names = fileSpec.labels;
    for (std::size_t i = names.size(); i < signalsOf(fileSpec); ++i)
        names.push_back("EEG " + std::to_string(i + 1));
    return perSignal(fileSpec, names, "", 16);
}

std::size_t samplesOf(const std::string &text)
{
    try {
        // Negative counts wrap as they do in 64 bits, whatever the size of long.
        return static_cast<std::size_t>(std::stoll(text));
    } catch (const std::exception &) {
        return 0;
    }
}

} // namespace

namespace {

std::string onsetOf(const EdfFileSpec &fileSpec, std::size_t record)
{
    if (record < fileSpec.onsets.size())
        return fileSpec.onsets[record];
    return "+" + std::to_string(record * samplesOf(fileSpec.recordDuration));
}

// Each record's annotation signals begin with a time-keeping TAL, padded with 0x00.
void writeTimekeeping(const EdfFileSpec &fileSpec, std::string &edf, std::size_t headerBytes)
{
    std::size_t recordBytes = 0;
    for (const auto &text : fileSpec.samplesPerRecord)
        recordBytes += 2 * samplesOf(text);
    std::size_t offset = 0;
    for (std::size_t s = 0; s < signalsOf(fileSpec); ++s) {
        const std::size_t bytes = 2 * samplesOf(fileSpec.samplesPerRecord[s]);
        if (s < fileSpec.labels.size() && fileSpec.labels[s] == "EDF Annotations")
            for (std::size_t r = 0; r < fileSpec.storedRecords; ++r) {
                std::string tal = onsetOf(fileSpec, r) + "\x14\x14";
                tal.resize(bytes, '\0');
                edf.replace(headerBytes + r * recordBytes + offset, bytes, tal);
            }
        offset += bytes;
    }
}

} // namespace

std::size_t dataBytes(const EdfFileSpec &fileSpec)
{
    std::size_t samples = 0;
    for (const auto &text : fileSpec.samplesPerRecord)
        samples += samplesOf(text);
    return fileSpec.storedRecords * samples * 2;
}

std::string buildEdf(const EdfFileSpec &fileSpec)
{
    const std::size_t ns = signalsOf(fileSpec);
    std::string edf = padded(fileSpec.version, 8) + padded(fileSpec.patient, 80)
        + padded(fileSpec.recording, 80) + padded(fileSpec.startDate, 8)
        + padded(fileSpec.startTime, 8)
        + padded(fileSpec.headerBytes.value_or(std::to_string(256 * (ns + 1))), 8)
        + padded(fileSpec.headerReserved, 44) + padded(fileSpec.dataRecords, 8)
        + padded(fileSpec.recordDuration, 8)
        + padded(fileSpec.signalCount.value_or(std::to_string(ns)), 4);
    edf += labels(fileSpec) + measured(fileSpec, "AgAgCl electrode", 80)
        + measured(fileSpec, "uV", 8) + repeated(fileSpec, fileSpec.physicalMinimum, 8)
        + repeated(fileSpec, fileSpec.physicalMaximum, 8)
        + repeated(fileSpec, fileSpec.digitalMinimum, 8)
        + repeated(fileSpec, fileSpec.digitalMaximum, 8)
        + measured(fileSpec, fileSpec.prefiltering, 80)
        + perSignal(fileSpec, fileSpec.samplesPerRecord, "", 8)
        + repeated(fileSpec, fileSpec.signalReserved, 32);
    const std::size_t size = dataBytes(fileSpec);
    edf.reserve(edf.size() + size);
    const std::size_t headerBytes = edf.size();
    for (std::size_t i = 0; i < size; ++i)
        edf.push_back(static_cast<char>((i * 31 + i / 251) & 0xFF));
    writeTimekeeping(fileSpec, edf, headerBytes);
    return edf;
}
