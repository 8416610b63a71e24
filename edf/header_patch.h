#pragma once

#include <cstdint>

namespace velmorant {

// The in-memory part of the repair: what changes in the 256-byte fixed header.

struct FixedHeaderNumbers {
    std::int32_t dataRecords = 0;
    std::int32_t recordDuration = 0;
    std::uint32_t signalCount = 0;
};

// For a recorder file: the record count divided by the first signal's samples
// per record, and a duration of one second. For every file: version "0".
// A negative record count (-1: not known) is kept as stored.
// samplesPerRecord must not be 0.
void patchFixedHeader(char *header, const FixedHeaderNumbers &numbers,
                      std::uint32_t samplesPerRecord);

} // namespace velmorant
