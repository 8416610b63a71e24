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

std::vector<FieldSlot> allSlots(std::uint32_t signalCount)
{
    std::vector<FieldSlot> slots;
    for (std::size_t f = 0; f < fixedFields.size(); ++f)
        slots.push_back(fixedSlot(static_cast<FixedField>(f)));
    for (std::size_t f = 0; f < signalFields.size(); ++f)
        for (std::uint32_t signal = 1; signal <= signalCount; ++signal)
            slots.push_back(signalSlot(static_cast<SignalField>(f), signal, signalCount));
    return slots;
}

std::string slotText(const std::string &header, const FieldSlot &slot)
{
    return header.substr(slot.offset, slot.width);
}

} // namespace velmorant
