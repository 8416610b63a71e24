#pragma once

#include "record_bytes.h"

#include <cstdio>
#include <string>

namespace velmorant {

// A file's data records read from an open stream, only the bytes asked for.
// Reading moves the stream: a caller that writes afterwards seeks first.
class RecordReader : public RecordBytes
{
public:
    explicit RecordReader(std::FILE *file) : file(file) { }
    bool read(std::uintmax_t offset, std::size_t size, std::string &bytes) override;
    // The system's reason for the first read that failed; empty while none did.
    const std::string &failure() const { return reason; }

private:
    std::FILE *file;
    std::string reason;
};

} // namespace velmorant
