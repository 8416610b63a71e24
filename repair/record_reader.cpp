#include "record_reader.h"

#include "file_system.h"

#include <cerrno>
#include <cstring>

namespace velmorant {

bool RecordReader::read(std::uintmax_t offset, std::size_t size, std::string &bytes)
{
    errno = 0;
    bytes.resize(size);
    const bool read = seekTo(file, offset) && std::fread(&bytes[0], 1, size, file) == size;
    if (!read && reason.empty())
        reason = errno != 0 ? std::strerror(errno) : "the file ended early";
    return read;
}

} // namespace velmorant
