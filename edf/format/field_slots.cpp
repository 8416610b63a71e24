#include "edf/format/field_slots.h"

namespace velmorant {

FieldSlot fixedSlot(FixedField f)
{
    return {field(f).name, 0, offsetOf(f), field(f).width};
}

FieldSlot signalSlot(SignalField f, std::uint32_t signal, std::uint32_t signalCount)
{
    const std::size_t width = field(f).width;
    return {field(f).name, signal, arrayOffset(f, signalCount) + (signal - 1) * width, width};
}

std::string slotText(const std::string &header, const FieldSlot &slot)
{
    return header.substr(slot.offset, slot.width);
}

std::string_view slotBytes(const std::string &header, const FieldSlot &slot)
{
    return std::string_view(header).substr(slot.offset, slot.width);
}

} // namespace velmorant
