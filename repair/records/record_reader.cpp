#include "repair/records/record_reader.h"

#include "repair/platform/positioned_io.h"

#include <cerrno>
#include <cstring>

namespace velmorant {

namespace {

constexpr std::size_t blockBytes = std::size_t(1) << 20;
// Requests closer than this to the one before are a walk, read in blocks.
constexpr std::uintmax_t walkDistance = std::uintmax_t(64) << 10;

} // namespace

bool RecordReader::read(std::uintmax_t offset, std::size_t size, std::string &bytes)
{
    const bool walking
        = !block.empty() && offset > lastOffset && offset - lastOffset <= walkDistance;
    lastOffset = offset;
    if (!inBlock(offset, size)
        && !readBlock(offset, walking && size < blockBytes ? blockBytes : size))
        return false;
    if (!inBlock(offset, size))
        return fail();
    bytes.assign(block, static_cast<std::size_t>(offset - blockStart), size);
    return true;
}

bool RecordReader::inBlock(std::uintmax_t offset, std::size_t size) const
{
    return offset >= blockStart && offset - blockStart <= block.size()
        && block.size() - (offset - blockStart) >= size;
}

// A block may end short at the end of the file; an error is a failure.
bool RecordReader::readBlock(std::uintmax_t offset, std::size_t size)
{
    errno = 0;
    block.resize(size);
    block.resize(readAt(file, offset, &block[0], size));
    blockStart = offset;
    return errno == 0 || fail();
}

bool RecordReader::fail()
{
    if (reason.empty())
        reason = errno != 0 ? std::strerror(errno) : "the file ended early";
    return false;
}

} // namespace velmorant
