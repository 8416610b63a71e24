#include "file_system.h"

#include "utf8.h"

#include <boost/filesystem/operations.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = boost::filesystem;

namespace velmorant {

fs::path toFsPath(const std::string &utf8)
{
#ifdef _WIN32
    const std::u16string wide = decodeUtf8(utf8);
    return fs::path(std::wstring(wide.begin(), wide.end()));
#else
    return fs::path(utf8);
#endif
}

namespace {

std::FILE *openBinary(const fs::path &path, bool forUpdate)
{
#ifdef _WIN32
    return _wfopen(path.c_str(), forUpdate ? L"r+b" : L"rb");
#else
    return std::fopen(path.c_str(), forUpdate ? "r+b" : "rb");
#endif
}

} // namespace

std::FILE *openForUpdate(const fs::path &path)
{
    return openBinary(path, true);
}

std::FILE *openForReading(const fs::path &path)
{
    return openBinary(path, false);
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

bool stderrIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return ::isatty(STDERR_FILENO) != 0;
#endif
}

#ifdef _WIN32

bool syncFolder(const fs::path &)
{
    // Windows offers no way to flush a folder's entries.
    return true;
}

bool copyContents(const fs::path &from, const fs::path &to, std::string &reason,
                  const CopyProgress &)
{
    // The system's own copy crosses volumes and stops at the end of the file;
    // it runs in one call, so there is nothing to report in between.
    boost::system::error_code error;
    fs::copy_file(from, to, fs::copy_options::none, error);
    if (error)
        reason = error.message();
    return !error;
}

#else

namespace {

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : fd(fd) { }
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

enum class Copied { all, sourceShrank, cancelled, failed };

// Small enough to report a long copy often, large enough that a copy-on-write
// file system still clones a file of many GiB in a few milliseconds.
constexpr std::uintmax_t reportEvery = std::uintmax_t(32) << 20;

// Every reportEvery bytes and at the end of a copy: writes behind, then tells
// the progress; false once the copy is to stop.
class ProgressPoints
{
public:
    ProgressPoints(const CopyProgress &progress, std::uintmax_t total, int target)
        : progress(progress), total(total), target(target)
    { }

    bool reached(std::uintmax_t copied)
    {
        if (copied < next && copied < total)
            return true;
        next = copied + reportEvery;
        writeBehind(copied);
        return !progress || progress(copied, total);
    }

private:
    // Has the system start writing the stretch just copied and waits for the
    // one before, which has had a stretch's time. Without it the whole copy
    // could wait in memory for the closing fsync: seconds per GiB, minutes on
    // a slow stick, with nothing to report meanwhile.
    void writeBehind(std::uintmax_t copied)
    {
#ifdef __linux__
        // Failures surface in the closing fsync.
        ::sync_file_range(target, static_cast<off64_t>(started),
                          static_cast<off64_t>(copied - started), SYNC_FILE_RANGE_WRITE);
        if (started > waited)
            ::sync_file_range(
                target, static_cast<off64_t>(waited), static_cast<off64_t>(started - waited),
                SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
        waited = started;
        started = copied;
#else
        (void)copied;
#endif
    }

    const CopyProgress &progress;
    std::uintmax_t total;
    int target;
    std::uintmax_t next = reportEvery;
    std::uintmax_t started = 0; // from here on, nothing is sent to the disk yet
    std::uintmax_t waited = 0; // up to here, everything is on the disk
};

// Copies with a plain loop, for when the kernel cannot copy between the two files.
Copied copyBytes(int from, int to, std::uintmax_t size, ProgressPoints &points)
{
    // cp's size, page-aligned: reads into a block that malloc places 16
    // bytes past a page boundary cost the kernel far more time here.
    constexpr std::size_t bufferSize = 1 << 17;
    const std::unique_ptr<char, decltype(&std::free)> buffer(
        static_cast<char *>(std::aligned_alloc(4096, bufferSize)), &std::free);
    if (!buffer)
        return Copied::failed;
    for (std::uintmax_t done = 0; done < size;) {
        const auto wanted
            = static_cast<std::size_t>(std::min<std::uintmax_t>(bufferSize, size - done));
        const ssize_t got = ::read(from, buffer.get(), wanted);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Copied::failed;
        if (got == 0)
            return Copied::sourceShrank;
        if (!writeAll(to, buffer.get(), static_cast<std::size_t>(got)))
            return Copied::failed;
        done += static_cast<std::uintmax_t>(got);
        if (!points.reached(done))
            return Copied::cancelled;
    }
    return Copied::all;
}

// Exactly size bytes, or failure: a source that shrinks while it is copied
// must not end as a short copy, nor keep the copy waiting for bytes forever.
Copied copyFile(int from, int to, std::uintmax_t size, const CopyProgress &progress)
{
    ProgressPoints points(progress, size, to);
#ifdef __linux__
    // The kernel copies without our buffer, as cp does.
    std::uintmax_t done = 0;
    while (done < size) {
        const auto chunk
            = static_cast<std::size_t>(std::min<std::uintmax_t>(size - done, reportEvery));
        const ssize_t copied = ::copy_file_range(from, nullptr, to, nullptr, chunk, 0);
        if (copied < 0 && errno == EINTR)
            continue;
        // Some file systems refuse, or copy nothing, before the first byte:
        // the plain loop then decides.
        if (done == 0
            && (copied == 0
                || (copied < 0
                    && (errno == EXDEV || errno == EINVAL || errno == ENOSYS
                        || errno == EOPNOTSUPP))))
            break;
        if (copied < 0)
            return Copied::failed;
        if (copied == 0)
            return Copied::sourceShrank;
        done += static_cast<std::uintmax_t>(copied);
        if (!points.reached(done))
            return Copied::cancelled;
    }
    if (done == size)
        return Copied::all;
#endif
    return copyBytes(from, to, size, points);
}

} // namespace

bool syncFolder(const fs::path &folder)
{
    FileDescriptor directory(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return directory.get() >= 0 && ::fsync(directory.get()) == 0;
}

bool copyContents(const fs::path &from, const fs::path &to, std::string &reason,
                  const CopyProgress &progress)
{
    FileDescriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat sourceStatus {
    };
    if (source.get() < 0 || ::fstat(source.get(), &sourceStatus) != 0) {
        reason = std::string("the source cannot be read: ") + std::strerror(errno);
        return false;
    }
    FileDescriptor target(
        ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, sourceStatus.st_mode & 07777));
    if (target.get() < 0) {
        reason
            = std::string("no file can be made in the destination folder: ") + std::strerror(errno);
        return false;
    }
    errno = 0;
    const Copied copied = copyFile(source.get(), target.get(),
                                   static_cast<std::uintmax_t>(sourceStatus.st_size), progress);
    if (copied == Copied::sourceShrank || copied == Copied::cancelled) {
        reason = copied == Copied::cancelled ? "stopped on request"
                                             : "the source got shorter while it was copied";
        return false;
    }
    const bool saved = copied == Copied::all && ::fsync(target.get()) == 0 && target.close();
    if (!saved)
        reason = std::strerror(errno);
    return saved;
}

#endif

bool pathExists(const std::string &utf8)
{
    boost::system::error_code error;
    const auto type = fs::status(toFsPath(utf8), error).type();
    return type != fs::status_error && type != fs::file_not_found;
}

} // namespace velmorant
