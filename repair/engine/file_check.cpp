#include "repair/engine/file_check.h"

#include "edf/format/edf_header.h"
#include "repair/platform/file_names.h"
#include "repair/platform/positioned_io.h"
#include "repair/records/data_area.h"
#include "repair/records/record_reader.h"

#include <filesystem>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace fs = std::filesystem;

namespace velmorant {

namespace {

std::string notReadable(const fs::file_status &status, const std::error_code &error)
{
    if (error)
        return error.message();
    if (fs::is_directory(status))
        return "it is a folder";
    if (!fs::is_regular_file(status))
        return "it is not a regular file";
    return {};
}

// Appends up to `count` more bytes; false when the read failed for a reason
// other than the end of the file.
bool readMore(std::FILE *in, std::string &bytes, std::size_t count)
{
    const std::size_t had = bytes.size();
    bytes.resize(had + count);
    bytes.resize(had + std::fread(&bytes[had], 1, count, in));
    return !std::ferror(in);
}

std::string readFailure(const std::error_code &error)
{
    if (error)
        return error.message();
    return errno != 0 ? std::strerror(errno) : "it cannot be opened";
}

} // namespace

FileCheck checkFile(const std::string &pathUtf8, RecordReading reading, DataReading data)
{
    FileCheck unreadable;
    try {
        const fs::path path = toFsPath(pathUtf8);
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        unreadable.readError = notReadable(status, error);
        if (!unreadable.readError.empty())
            return unreadable;
        const std::uintmax_t size = fs::file_size(path, error);
        errno = 0;
        const std::unique_ptr<std::FILE, decltype(&std::fclose)> in(
            error ? nullptr : openForReading(path), &std::fclose);
        std::string header;
        if (!in || !readMore(in.get(), header, fixedHeaderSize)
            || !readMore(in.get(), header, previewExtent(header) - header.size())) {
            unreadable.readError = readFailure(error);
            return unreadable;
        }
        TransferDamage damage;
        if (data == DataReading::whereLonger
            && !readTransferDamage(in.get(), header, size, damage)) {
            unreadable.readError = readFailure(error);
            return unreadable;
        }
        RecordReader records(in.get());
        FileCheck check = checkHeaderBytes(header, size, &records, reading, damage);
        if (records.failure().empty())
            return check;
        unreadable.readError = "its data records cannot be read: " + records.failure();
        return unreadable;
    } catch (const std::range_error &) {
        unreadable.readError = "the path is not valid UTF-8 text";
        return unreadable;
    }
}

bool readHeaderAt(std::FILE *file, std::string &header)
{
    // Enough for the whole header of up to 15 signals in one read.
    constexpr std::size_t firstRead = 4096;
    header.resize(firstRead);
    errno = 0;
    header.resize(readAt(file, 0, &header[0], firstRead));
    const std::size_t got = header.size();
    // Short at the end of the file, or on an error that errno names.
    if (got < firstRead && errno != 0)
        return false;
    const std::size_t extent = previewExtent(header.substr(0, fixedHeaderSize));
    if (extent > got) {
        header.resize(extent);
        const std::size_t more = readAt(file, got, &header[got], extent - got);
        header.resize(got + more);
        if (more < extent - got && errno != 0)
            return false;
    }
    header.resize(std::min(header.size(), extent));
    return true;
}

FileCheck checkWrittenCopy(std::FILE *file, std::uintmax_t size, std::string header,
                           const std::vector<Finding> *headerFindings)
{
    FileCheck unreadable;
    if (header.empty() && !readHeaderAt(file, header)) {
        unreadable.readError = readFailure({});
        return unreadable;
    }
    RecordReader records(file);
    FileCheck check = checkRepairedCopy(header, size, &records, headerFindings);
    if (records.failure().empty())
        return check;
    unreadable.readError = "its data records cannot be read: " + records.failure();
    return unreadable;
}

} // namespace velmorant
