#include "file_system.h"

#include "utf8.h"

#include <boost/filesystem/operations.hpp>

#include <cerrno>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = boost::filesystem;

fs::path toFsPath(const std::string &utf8)
{
#ifdef _WIN32
    const std::u16string wide = decodeUtf8(utf8);
    return fs::path(std::wstring(wide.begin(), wide.end()));
#else
    return fs::path(utf8);
#endif
}

std::FILE *openForUpdate(const fs::path &path)
{
#ifdef _WIN32
    return _wfopen(path.c_str(), L"r+b");
#else
    return std::fopen(path.c_str(), "r+b");
#endif
}

bool flushToDisk(std::FILE *file)
{
    if (std::fflush(file) != 0)
        return false;
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

#ifdef _WIN32

bool copyContents(const fs::path &, const fs::path &, std::string &reason)
{
    // The system's own copy already crosses volumes here.
    reason = "not supported on this platform";
    return false;
}

#else

namespace {

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : fd(fd) {}
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return fd; }
    bool close()
    {
        const int result = ::close(fd);
        fd = -1;
        return result == 0;
    }

private:
    int fd;
};

bool writeAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool copyBytes(int from, int to)
{
    // Large enough to run at disk speed, small enough to keep memory flat.
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (!writeAll(to, buffer.data(), static_cast<std::size_t>(got)))
            return false;
    }
}

} // namespace

bool copyContents(const fs::path &from, const fs::path &to, std::string &reason)
{
    FileDescriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat sourceStatus {};
    if (source.get() < 0 || ::fstat(source.get(), &sourceStatus) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    FileDescriptor target(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                                 sourceStatus.st_mode & 07777));
    const bool copied = target.get() >= 0 && copyBytes(source.get(), target.get())
        && ::fsync(target.get()) == 0 && target.close();
    if (!copied)
        reason = std::strerror(errno);
    return copied;
}

#endif

bool pathExists(const std::string &utf8)
{
    boost::system::error_code error;
    const auto type = fs::status(toFsPath(utf8), error).type();
    return type != fs::status_error && type != fs::file_not_found;
}
