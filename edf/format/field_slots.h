#pragma once

#include "edf/format/edf_header.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
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

// Every field of a header with signalCount signals, in file order, handed to
// visit one by one: no list of thousands made for each look at a header.
template<typename Visit> void forEachSlot(std::uint32_t signalCount, Visit visit)
{
    for (std::size_t f = 0; f < fixedFields.size(); ++f)
        visit(fixedSlot(static_cast<FixedField>(f)));
    for (std::size_t f = 0; f < signalFields.size(); ++f)
        for (std::uint32_t signal = 1; signal <= signalCount; ++signal)
            visit(signalSlot(static_cast<SignalField>(f), signal, signalCount));
}

// The slot's text; the caller makes sure the header is long enough.
std::string slotText(const std::string &header, const FieldSlot &slot);
// The same bytes where they lie, to be looked at without a copy: a header of
// many signals has thousands of fields, read several times a file.
std::string_view slotBytes(const std::string &header, const FieldSlot &slot);

} // namespace velmorant
