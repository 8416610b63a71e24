#pragma once

#include "edf/format/edf_header.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmorant {

// One field of one header as it lies in the file: a fixed-header field, or
// the entry of one signal in a signal array.
struct FieldSlot {
    const char *name;
    std::uint32_t signal; // numbered from 1; 0 for the fixed header
    std::size_t offset;
    std::size_t width;
};

FieldSlot fixedSlot(FixedField f);
FieldSlot signalSlot(SignalField f, std::uint32_t signal, std::uint32_t signalCount);

// Every field of a header with signalCount signals, in file order.
std::vector<FieldSlot> allSlots(std::uint32_t signalCount);

// The slot's text; the caller makes sure the header is long enough.
std::string slotText(const std::string &header, const FieldSlot &slot);

} // namespace velmorant
