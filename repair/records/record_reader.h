#pragma once

#include "edf/format/record_bytes.h"

#include <cstdio>
#include <string>

namespace velmorant {

// A file's data records read from an open stream, past its buffer. Bytes
// asked for far apart (the first and the last record) are read alone; a
// walk through every record's few annotation bytes is read in large blocks,
// as one system call per record would cost more than the bytes between.
// Reading may move the stream: a caller that writes afterwards seeks first.
class RecordReader : public RecordBytes
{
public:
    explicit RecordReader(std::FILE *file) : file(file) { }
    bool read(std::uintmax_t offset, std::size_t size, std::string &bytes) override;
    // The system's reason for the first read that failed; empty while none did.
    const std::string &failure() const { return reason; }

private:
    bool inBlock(std::uintmax_t offset, std::size_t size) const;
    bool readBlock(std::uintmax_t offset, std::size_t size);
    bool fail();

    std::FILE *file;
    std::string block;
    std::uintmax_t blockStart = 0;
    std::uintmax_t lastOffset = 0;
    std::string reason;
};

} // namespace velmorant
