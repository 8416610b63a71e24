#include "file_check.h"

#include "edf_header.h"
#include "file_system.h"

#include <boost/filesystem/fstream.hpp>
#include <boost/filesystem/operations.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace fs = boost::filesystem;

namespace {

bool sameFault(const Finding &a, const Finding &b)
{
    return a.rule == b.rule && a.field == b.field && a.signal == b.signal;
}

bool contains(const std::vector<Finding> &findings, const Finding &wanted)
{
    return std::any_of(findings.begin(), findings.end(),
                       [&](const Finding &f) { return sameFault(f, wanted); });
}

std::string notReadable(const fs::file_status &status, const boost::system::error_code &error)
{
    if (error)
        return error.message();
    if (fs::is_directory(status))
        return "it is a folder";
    if (!fs::is_regular_file(status))
        return "it is not a regular file";
    return {};
}

// Appends up to `count` more bytes; false when the stream failed for a reason
// other than the end of the file.
bool readMore(fs::ifstream &in, std::string &bytes, std::size_t count)
{
    const std::size_t had = bytes.size();
    bytes.resize(had + count);
    in.read(&bytes[had], static_cast<std::streamsize>(count));
    bytes.resize(had + static_cast<std::size_t>(in.gcount()));
    return !in.bad();
}

} // namespace

FileCheck checkHeaderBytes(const std::string &header, std::uintmax_t fileSize)
{
    FileCheck check;
    const std::vector<Finding> before = checkHeader(header, fileSize);
    check.preview = previewRepair(header, fileSize);
    const std::vector<Finding> after
        = check.preview.succeeds ? checkHeader(check.preview.header, fileSize) : before;
    for (const Finding &f : before)
        check.findings.push_back({f, !contains(after, f), false});
    for (const Finding &f : after)
        if (!contains(before, f))
            check.findings.push_back({f, false, true});
    check.sound = !hasError(before);
    check.soundAfterRepair = !hasError(after);
    return check;
}

FileCheck checkFile(const std::string &pathUtf8)
{
    FileCheck unreadable;
    try {
        const fs::path path = toFsPath(pathUtf8);
        boost::system::error_code error;
        const fs::file_status status = fs::status(path, error);
        unreadable.readError = notReadable(status, error);
        if (!unreadable.readError.empty())
            return unreadable;
        const std::uintmax_t size = fs::file_size(path, error);
        errno = 0;
        fs::ifstream in(path, std::ios::binary);
        std::string header;
        if (error || !in || !readMore(in, header, fixedHeaderSize)
            || !readMore(in, header, previewExtent(header) - header.size())) {
            unreadable.readError = error ? error.message()
                : errno != 0             ? std::strerror(errno)
                                         : "it cannot be opened";
            return unreadable;
        }
        return checkHeaderBytes(header, size);
    } catch (const std::range_error &) {
        unreadable.readError = "the path is not valid UTF-8 text";
        return unreadable;
    }
}
