#include "repair/platform/positioned_io.h"

#include <cerrno>
#include <unistd.h>

namespace fs = std::filesystem;

namespace velmorant {

std::FILE *openForReading(const fs::path &path)
{
    return std::fopen(path.c_str(), "rb");
}

bool truncateFile(std::FILE *file, std::uintmax_t size)
{
    return std::fflush(file) == 0 && ::ftruncate(fileno(file), static_cast<off_t>(size)) == 0;
}

namespace {

// Bytes done at offset by pread or pwrite, retried where a signal cut them
// short; fewer than size at the end of the file or on an error.
template<typename Buffer, typename Transfer>
std::size_t transferAt(std::FILE *file, std::uintmax_t offset, Buffer data, std::size_t size,
                       Transfer transfer)
{
    if (std::fflush(file) != 0)
        return 0;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t moved
            = transfer(fileno(file), data + done, size - done, static_cast<off_t>(offset + done));
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved <= 0)
            break;
        done += static_cast<std::size_t>(moved);
    }
    return done;
}

} // namespace

std::size_t readAt(std::FILE *file, std::uintmax_t offset, char *data, std::size_t size)
{
    return transferAt(file, offset, data, size, ::pread);
}

bool writeAt(std::FILE *file, std::uintmax_t offset, const char *data, std::size_t size)
{
    return transferAt(file, offset, data, size, ::pwrite) == size;
}

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

bool stderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) != 0;
}

} // namespace velmorant
