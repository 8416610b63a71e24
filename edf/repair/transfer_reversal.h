#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmorant {

// The reversal of a line feed conversion over a stream of the data area:
// every carriage return directly before a line feed is left out.
class CarriageReturnRemover
{
public:
    // Appends this chunk's bytes as they are to be in the copy; a carriage
    // return at the chunk's end waits for the next chunk's first byte.
    void feed(const char *data, std::size_t size, std::string &out);
    void finish(std::string &out);
    std::uintmax_t removed() const { return removedCount; }

private:
    bool pendingReturn = false;
    std::uintmax_t removedCount = 0;
};

} // namespace velmorant
