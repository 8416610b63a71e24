#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmorant {

// The file's bytes beyond its header, as the copy will hold them, read only
// where a rule needs them: the annotation signal's bytes of a data record,
// never a signal's samples.
class RecordBytes
{
public:
    virtual ~RecordBytes() = default;
    // `size` bytes from `offset` (from the start of the file); false when
    // they cannot all be read.
    virtual bool read(std::uintmax_t offset, std::size_t size, std::string &bytes) = 0;
};

// A whole file held in memory.
class BytesInMemory : public RecordBytes
{
public:
    explicit BytesInMemory(const std::string &file) : file(file) { }
    bool read(std::uintmax_t offset, std::size_t size, std::string &bytes) override
    {
        if (offset > file.size() || file.size() - offset < size)
            return false;
        bytes.assign(file, static_cast<std::size_t>(offset), size);
        return true;
    }

private:
    const std::string &file;
};

} // namespace velmorant
