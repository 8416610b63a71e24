#include "repair/platform/positioned_io.h"

#include <io.h>

namespace fs = std::filesystem;

namespace velmorant {

std::FILE *openForReading(const fs::path &path)
{
    return ::_wfopen(path.c_str(), L"rb");
}

bool truncateFile(std::FILE *file, std::uintmax_t size)
{
    return std::fflush(file) == 0 && ::_chsize_s(::_fileno(file), static_cast<__int64>(size)) == 0;
}

// Windows' C runtime has no positioned read or write: the stream moves.
std::size_t readAt(std::FILE *file, std::uintmax_t offset, char *data, std::size_t size)
{
    if (std::fflush(file) != 0 || ::_fseeki64(file, static_cast<__int64>(offset), SEEK_SET) != 0)
        return 0;
    return std::fread(data, 1, size, file);
}

bool writeAt(std::FILE *file, std::uintmax_t offset, const char *data, std::size_t size)
{
    return std::fflush(file) == 0 && ::_fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0
        && std::fwrite(data, 1, size, file) == size && std::fflush(file) == 0;
}

bool stderrIsTerminal()
{
    return ::_isatty(::_fileno(stderr)) != 0;
}

} // namespace velmorant
