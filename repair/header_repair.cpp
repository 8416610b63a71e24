#include "header_repair.h"

#include "file_system.h"
#include "numeric_text.h"
#include "staged_copy.h"

#include <boost/filesystem/operations.hpp>

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

namespace fs = boost::filesystem;

namespace {

std::string systemReason()
{
    return errno != 0 ? std::strerror(errno) : std::string();
}

} // namespace

bool HeaderRepair::repairHeader(const std::string &source, const std::string &destination)
{
    failure = RepairFailure{};
    try {
        return stageAndRepair(toFsPath(source), toFsPath(destination));
    } catch (const std::range_error &) {
        return fail(RepairStep::badPathText);
    } catch (const std::exception &e) {
        if (edfFile)
            closeEdfFile();
        return fail(RepairStep::unexpected, e.what());
    }
}

bool HeaderRepair::stageAndRepair(const fs::path &source, const fs::path &destination)
{
    boost::system::error_code error;
    // Copying a file onto itself would truncate it.
    if (fs::equivalent(source, destination, error))
        return fail(RepairStep::sameFile);
    const fs::file_status status = fs::status(source, error);
    if (error)
        return fail(RepairStep::copy, error.message());
    if (!fs::is_regular_file(status))
        return fail(RepairStep::sourceNotRegularFile,
                    fs::is_directory(status) ? "it is a folder" : "");

    StagedCopy copy(destination);
    std::string reason;
    if (!copy.copyFrom(source, reason))
        return fail(RepairStep::copy, reason);
    if (!repairCopy(copy.path()))
        return false;
    if (!copy.commit(reason))
        return fail(RepairStep::commit, reason);
    return true;
}

bool HeaderRepair::repairCopy(const fs::path &copy)
{
    boost::system::error_code error;
    const std::uintmax_t fileSize = fs::file_size(copy, error);
    if (error)
        return fail(RepairStep::open, error.message());
    errno = 0;
    edfFile = openForUpdate(copy);
    if (!edfFile)
        return fail(RepairStep::open, systemReason());

    bool patched = false;
    try {
        patched = patchOpenCopy(fileSize);
    } catch (const StringConvertionException &) {
        // parseField has already said which field.
    } catch (const std::bad_alloc &) {
        fail(RepairStep::outOfMemory);
    }
    const bool closed = closeEdfFile();
    if (patched && !closed)
        return fail(RepairStep::close, systemReason());
    return patched && closed;
}

bool HeaderRepair::patchOpenCopy(std::uintmax_t fileSize)
{
    FixedHeaderNumbers numbers;
    std::uint32_t samplesPerRecord = 0;
    if (!readFixedHeader() || !readNumbers(numbers)
        || !checkSignalHeaderPresent(numbers.signalCount, fileSize)
        || !readSamplesPerRecord(numbers.signalCount, samplesPerRecord))
        return false;
    patchFixedHeader(edfHeader, numbers, samplesPerRecord);
    return writeHeader() && blankArray(SignalField::prefiltering, numbers.signalCount)
        && blankArray(SignalField::reserved, numbers.signalCount);
}

bool HeaderRepair::readFixedHeader()
{
    errno = 0;
    const std::size_t got = std::fread(edfHeader, 1, sizeof edfHeader, edfFile);
    if (got != sizeof edfHeader)
        return fail(RepairStep::readFixedHeader, "it has " + std::to_string(got) + " bytes");
    return true;
}

template <typename Integer>
Integer HeaderRepair::parseField(const std::string &text, const char *fieldName)
{
    failAtField(RepairStep::parseField, fieldName, text);
    const Integer value = parseTo<Integer>(text);
    failure = RepairFailure{};
    return value;
}

bool HeaderRepair::readNumbers(FixedHeaderNumbers &numbers)
{
    const auto text = [this](FixedField f) { return fieldText(edfHeader, f); };
    const auto name = [](FixedField f) { return field(f).name; };
    numbers.dataRecords = parseField<std::int32_t>(text(FixedField::dataRecords),
                                                   name(FixedField::dataRecords));
    numbers.recordDuration = parseField<std::int32_t>(text(FixedField::recordDuration),
                                                      name(FixedField::recordDuration));
    numbers.signalCount = parseField<std::uint32_t>(text(FixedField::signalCount),
                                                    name(FixedField::signalCount));
    // A leading minus sign reads as a count near 2^32, whose offsets would wrap.
    if (numbers.signalCount > maxSignalCount)
        return failAtField(RepairStep::signalCount, name(FixedField::signalCount),
                           text(FixedField::signalCount));
    return true;
}

// Blanking arrays past the end of a cut-off file would grow it with spaces.
bool HeaderRepair::checkSignalHeaderPresent(std::uint32_t signalCount, std::uintmax_t fileSize)
{
    const std::uint32_t needed = headerSize(signalCount);
    if (fileSize >= needed)
        return true;
    return failAtField(RepairStep::signalHeaderTruncated, "",
                       std::to_string(fileSize) + " bytes, " + std::to_string(signalCount)
                           + " signals need " + std::to_string(needed));
}

bool HeaderRepair::readSamplesPerRecord(std::uint32_t signalCount, std::uint32_t &samples)
{
    const HeaderField &samplesField = field(SignalField::samplesPerRecord);
    std::string text(samplesField.width, '\0');
    errno = 0;
    if (std::fseek(edfFile, arrayOffset(SignalField::samplesPerRecord, signalCount), SEEK_SET) != 0
        || std::fread(&text[0], 1, text.size(), edfFile) != text.size())
        return fail(RepairStep::readSamplesPerRecord, systemReason());
    samples = parseField<std::uint32_t>(text, samplesField.name);
    if (samples == 0)
        return failAtField(RepairStep::zeroSamplesPerRecord, samplesField.name, text);
    return true;
}

bool HeaderRepair::writeHeader()
{
    errno = 0;
    if (std::fseek(edfFile, 0, SEEK_SET) != 0
        || std::fwrite(edfHeader, 1, sizeof edfHeader, edfFile) != sizeof edfHeader)
        return fail(RepairStep::write, systemReason());
    return true;
}

bool HeaderRepair::blankArray(SignalField array, std::uint32_t signalCount)
{
    const std::string spaces(arrayLength(array, signalCount), ' ');
    if (spaces.empty())
        return true;
    errno = 0;
    if (std::fseek(edfFile, arrayOffset(array, signalCount), SEEK_SET) != 0
        || std::fwrite(spaces.data(), 1, spaces.size(), edfFile) != spaces.size())
        return fail(RepairStep::write, systemReason());
    return true;
}

bool HeaderRepair::closeEdfFile()
{
    errno = 0;
    const bool flushed = flushToDisk(edfFile);
    const bool closed = std::fclose(edfFile) == 0;
    edfFile = nullptr;
    return flushed && closed;
}

bool HeaderRepair::fail(RepairStep step, std::string reason)
{
    failure = RepairFailure{step, {}, {}, std::move(reason)};
    return false;
}

bool HeaderRepair::failAtField(RepairStep step, const char *fieldName, const std::string &found)
{
    failure = RepairFailure{step, fieldName, found, {}};
    return false;
}
