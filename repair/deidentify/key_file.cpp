#include "repair/deidentify/key_file.h"

#include "repair/platform/file_names.h"
#include "repair/platform/positioned_io.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#ifdef _WIN32
#include <cstdio>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace velmorant {

namespace {

std::string systemReason()
{
    return errno != 0 ? std::strerror(errno) : "the write failed";
}

#ifdef _WIN32
bool appendText(const std::string &pathUtf8, const std::string &heading, std::string text,
                std::string &reason)
{
    const std::wstring path = toFsPath(pathUtf8).wstring();
    std::FILE *probe = _wfopen(path.c_str(), L"rb");
    if (probe)
        std::fclose(probe);
    else
        text = heading + text;
    std::FILE *file = _wfopen(path.c_str(), L"ab");
    const bool written = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = file && std::fclose(file) == 0;
    if (!written || !closed)
        reason = systemReason();
    return written && closed;
}
#else
bool appendText(const std::string &pathUtf8, const std::string &heading, std::string text,
                std::string &reason)
{
    const std::string path = toFsPath(pathUtf8).string();
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        text = heading + text;
    else if (errno == EEXIST)
        fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) {
        reason = systemReason();
        return false;
    }
    errno = 0;
    const bool written = writeAll(fd, text.data(), text.size()) && ::fsync(fd) == 0;
    if (!written)
        reason = systemReason();
    return ::close(fd) == 0 && written;
}
#endif

} // namespace

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

} // namespace velmorant
