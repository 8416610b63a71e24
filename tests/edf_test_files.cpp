#include "edf_test_files.h"

#include <boost/filesystem/fstream.hpp>
#include <boost/filesystem/operations.hpp>

#include <algorithm>
#include <iterator>
#include <numeric>
#include <stdexcept>

namespace fs = boost::filesystem;

EdfFileSpec recorderFile()
{
    return EdfFileSpec{};
}

EdfFileSpec repairedRecorderFile()
{
    EdfFileSpec spec = recorderFile();
    spec.version = "0";
    spec.dataRecords = "1800";
    spec.recordDuration = "1";
    spec.prefiltering = "";
    spec.signalReserved = "";
    return spec;
}

EdfFileSpec soundFile()
{
    EdfFileSpec spec;
    spec.version = "0";
    spec.dataRecords = "6";
    spec.recordDuration = "1";
    spec.storedRecords = 6;
    return spec;
}

std::string padded(const std::string &text, std::size_t width)
{
    std::string field = text.substr(0, width);
    field.resize(width, ' ');
    return field;
}

namespace {

std::size_t signalsOf(const EdfFileSpec &spec)
{
    return spec.samplesPerRecord.size();
}

std::string perSignal(const EdfFileSpec &spec, const std::vector<std::string> &values,
                      const std::string &fallback, std::size_t width)
{
    std::string array;
    for (std::size_t i = 0; i < signalsOf(spec); ++i)
        array += padded(i < values.size() ? values[i] : fallback, width);
    return array;
}

std::string repeated(const EdfFileSpec &spec, const std::string &value, std::size_t width)
{
    return perSignal(spec, {}, value, width);
}

std::string labels(const EdfFileSpec &spec)
{
    std::vector<std::string> names = spec.labels;
    for (std::size_t i = names.size(); i < signalsOf(spec); ++i)
        names.push_back("EEG " + std::to_string(i + 1));
    return perSignal(spec, names, "", 16);
}

std::size_t samplesOf(const std::string &text)
{
    try {
        return std::stoul(text);
    } catch (const std::exception &) {
        return 0;
    }
}

} // namespace

std::size_t dataBytes(const EdfFileSpec &spec)
{
    std::size_t samples = 0;
    for (const auto &text : spec.samplesPerRecord)
        samples += samplesOf(text);
    return spec.storedRecords * samples * 2;
}

std::string buildEdf(const EdfFileSpec &spec)
{
    const std::size_t ns = signalsOf(spec);
    std::string edf = padded(spec.version, 8) + padded("X M 01-JAN-1970 Test_Subject", 80)
        + padded("Startdate 17-AUG-2016 X X X", 80) + padded(spec.startDate, 8)
        + padded(spec.startTime, 8)
        + padded(spec.headerBytes.value_or(std::to_string(256 * (ns + 1))), 8)
        + padded(spec.headerReserved, 44) + padded(spec.dataRecords, 8)
        + padded(spec.recordDuration, 8) + padded(spec.signalCount.value_or(std::to_string(ns)), 4);
    edf += labels(spec) + repeated(spec, "AgAgCl electrode", 80) + repeated(spec, "uV", 8)
        + repeated(spec, spec.physicalMinimum, 8) + repeated(spec, spec.physicalMaximum, 8)
        + repeated(spec, spec.digitalMinimum, 8) + repeated(spec, spec.digitalMaximum, 8)
        + repeated(spec, spec.prefiltering, 80) + perSignal(spec, spec.samplesPerRecord, "", 8)
        + repeated(spec, spec.signalReserved, 32);
    const std::size_t size = dataBytes(spec);
    edf.reserve(edf.size() + size);
    for (std::size_t i = 0; i < size; ++i)
        edf.push_back(static_cast<char>((i * 31 + i / 251) & 0xFF));
    return edf;
}

void writeBytes(const fs::path &path, const std::string &bytes)
{
    fs::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::string readBytes(const fs::path &path)
{
    fs::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return std::string(std::istreambuf_iterator<char>(in), {});
}

ScratchDir::ScratchDir()
    : root(fs::temp_directory_path() / fs::unique_path("velmorant-test-%%%%-%%%%-%%%%"))
{
    fs::create_directories(root);
}

ScratchDir::~ScratchDir()
{
    boost::system::error_code ignored;
    fs::remove_all(root, ignored);
}

std::vector<std::string> ScratchDir::entries() const
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(root))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
