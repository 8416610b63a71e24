#include "repair/deidentify/key_file.h"

#include "repair/platform/file_names.h"
#include "repair/platform/positioned_io.h"

#include <filesystem>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#ifdef _WIN32
#include <cstdio>
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace velmorant {

namespace {

std::string systemReason()
{
    return errno != 0 ? std::strerror(errno) : "the write failed";
}

// A spreadsheet reads a cell that begins so as a formula; a leading ' makes it text.
std::string csvField(const std::string &text)
{
    const bool formula = !text.empty() && std::strchr("=+-@\t", text[0]) != nullptr;
    std::string field = formula ? "\"'" : "\"";
    for (char c : text)
        field += c == '"' ? std::string("\"\"") : std::string(1, c);
    return field + "\"";
}

std::string trimmed(const std::string &field)
{
    return field.substr(0, field.find_last_not_of(' ') + 1);
}

#ifdef _WIN32
// The length of the file's whole lines: a failure may have cut its last one.
long long wholeLines(std::FILE *file)
{
    if (_fseeki64(file, 0, SEEK_END) != 0)
        return -1;
    const long long size = _ftelli64(file);
    constexpr long long tail = 64 * 1024;
    const long long from = size > tail ? size - tail : 0;
    std::string bytes(static_cast<std::size_t>(size - from), '\0');
    if (_fseeki64(file, from, SEEK_SET) != 0
        || std::fread(&bytes[0], 1, bytes.size(), file) != bytes.size())
        return -1;
    const std::size_t lastEnd = bytes.rfind('\n');
    return lastEnd == std::string::npos ? 0 : from + static_cast<long long>(lastEnd) + 1;
}

bool appendText(const std::string &pathUtf8, const std::string &heading, std::string text,
                std::string &reason)
{
    const std::wstring path = toFsPath(pathUtf8).wstring();
    std::FILE *file = _wfopen(path.c_str(), L"r+b");
    if (!file)
        file = _wfopen(path.c_str(), L"w+b");
    if (!file) {
        reason = systemReason();
        return false;
    }
    const long long whole = wholeLines(file);
    if (whole == 0)
        text = heading + text;
    const bool written = whole >= 0 && std::fflush(file) == 0
        && _chsize_s(_fileno(file), whole) == 0 && _fseeki64(file, whole, SEEK_SET) == 0
        && std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fflush(file) == 0
        && _commit(_fileno(file)) == 0;
    if (!written)
        reason = systemReason();
    return std::fclose(file) == 0 && written;
}
#else
// The length of the file's whole lines: a failure may have cut its last one.
off_t wholeLines(int fd)
{
    struct stat status {
    };
    if (::fstat(fd, &status) != 0)
        return -1;
    constexpr off_t tail = 64 * 1024;
    const off_t from = status.st_size > tail ? status.st_size - tail : 0;
    std::string bytes(static_cast<std::size_t>(status.st_size - from), '\0');
    if (::pread(fd, &bytes[0], bytes.size(), from) != static_cast<ssize_t>(bytes.size()))
        return -1;
    const std::size_t lastEnd = bytes.rfind('\n');
    return lastEnd == std::string::npos ? 0 : from + static_cast<off_t>(lastEnd) + 1;
}

bool appendText(const std::string &pathUtf8, const std::string &heading, std::string text,
                std::string &reason)
{
    const std::string path = toFsPath(pathUtf8).string();
    constexpr int flags = O_RDWR | O_APPEND | O_CLOEXEC | O_NOFOLLOW;
    int fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, 0600);
    if (fd < 0 && errno == EEXIST)
        fd = ::open(path.c_str(), flags);
    if (fd < 0) {
        reason = systemReason();
        return false;
    }
    errno = 0;
    const off_t whole = wholeLines(fd);
    if (whole == 0)
        text = heading + text;
    const bool written = whole >= 0 && ::ftruncate(fd, whole) == 0
        && writeAll(fd, text.data(), text.size()) && ::fsync(fd) == 0;
    if (!written)
        reason = systemReason();
    return ::close(fd) == 0 && written;
}

std::string ownershipRefusal(const std::string &pathUtf8)
{
    struct stat status {
    };
    if (::lstat(toFsPath(pathUtf8).c_str(), &status) != 0)
        return {};
    if (S_ISLNK(status.st_mode))
        return "it is a link; name the file itself";
    if (!S_ISREG(status.st_mode))
        return "it is not a regular file";
    if (status.st_uid != ::geteuid())
        return "it belongs to someone else";
    if ((status.st_mode & 077) != 0)
        return "others than its owner may read or write it; make it private with chmod 600";
    return {};
}
#endif

bool samePath(const fs::path &a, const fs::path &b)
{
    std::error_code error;
    if (fs::equivalent(a, b, error))
        return true;
    const fs::path canonicalA = fs::weakly_canonical(a, error);
    return !error && canonicalA == fs::weakly_canonical(b, error) && !error;
}

} // namespace

std::string keyHeading()
{
    return "destination,source,patient,recording,start date,start time,days moved\n";
}

std::string keyRow(const std::string &destination, const std::string &source,
                   const Deidentification &done)
{
    return csvField(destination) + "," + csvField(source) + ","
        + csvField(trimmed(done.originalPatient)) + "," + csvField(trimmed(done.originalRecording))
        + "," + csvField(done.originalStartDate) + "," + csvField(done.originalStartTime) + ","
        + std::to_string(done.daysMoved) + "\n";
}

bool appendToPrivateFile(const std::string &pathUtf8, const std::string &heading,
                         const std::string &text, std::string &reason)
{
    errno = 0;
    try {
        return appendText(pathUtf8, heading, text, reason);
    } catch (const std::range_error &) {
        reason = "the path is not valid UTF-8 text";
        return false;
    }
}

std::string keyFileRefusal(const std::string &pathUtf8, const std::vector<std::string> &runPaths)
{
    try {
        const fs::path key = toFsPath(pathUtf8);
        for (const std::string &path : runPaths)
            if (samePath(key, toFsPath(path)))
                return "it is a source or a destination of this run";
#ifndef _WIN32
        return ownershipRefusal(pathUtf8);
#else
        std::error_code error;
        return fs::is_symlink(key, error) ? "it is a link; name the file itself" : "";
#endif
    } catch (const std::range_error &) {
        return "the path is not valid UTF-8 text";
    }
}

} // namespace velmorant
