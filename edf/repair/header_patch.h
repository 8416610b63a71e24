#pragma once

#include <cstdint>
#include <optional>

namespace velmorant {

// The in-memory part of the repair: what changes in the 256-byte fixed header.

// The recorder's own figures: it stores its records multiplied by the first
// signal's samples per record, each lasting a matching fraction of a second.
struct RecorderRewrite {
    std::int32_t dataRecords = 0;
    std::uint32_t samplesPerRecord = 1; // at least 1
};

// For a recorder file given a rewrite: the record count divided by the
// samples per record (a negative count, -1 for not known, is kept as stored)
// and a duration of one second (one that is exactly that already is kept as
// written). For every file: version "0".
void patchFixedHeader(char *header, const std::optional<RecorderRewrite> &rewrite);

// A duration of one second, unless the field already says exactly that.
void setOneSecondRecords(char *header);

} // namespace velmorant
