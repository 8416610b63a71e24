#pragma once

#include "repair_failure.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmorant {

struct FieldChange {
    std::string field;
    std::uint32_t signal; // numbered from 1; 0 for the fixed header
    std::string from;
    std::string to;
};

// What repairHeader would make of a file, worked out in memory from the
// file's header and size alone: the same parse, the same limits, the same
// patch, so that a check can promise what a repair will do without writing.
struct RepairPreview {
    bool succeeds = false;
    RepairFailure failure; // why not, when it would not
    std::string header; // the header as the repair would leave it
    std::uint32_t signalCount = 0;
    std::vector<FieldChange> changes; // every field whose text it would change
};

// How many bytes from the start of the file the preview needs, once the
// fixed header is known: the whole header.
std::size_t previewExtent(const std::string &fixedHeader);

RepairPreview previewRepair(const std::string &header, std::uintmax_t fileSize);

} // namespace velmorant
