#include "edf/format/record_layout.h"

#include "edf/format/data_format.h"
#include "edf/format/edf_header.h"
#include "edf/format/edf_syntax.h"
#include "edf/format/field_slots.h"

namespace velmorant {

std::optional<std::uint32_t> samplesPerRecord(const std::string &header, std::uint32_t signal,
                                              std::uint32_t signalCount)
{
    const auto count = edfInteger(
        slotText(header, signalSlot(SignalField::samplesPerRecord, signal, signalCount)));
    if (!count || *count < 1)
        return std::nullopt;
    // Eight digits at most: far from the limit.
    return static_cast<std::uint32_t>(*count);
}

std::optional<RecordLayout> recordLayout(const std::string &header, std::uint32_t signalCount,
                                         std::uintmax_t fileSize)
{
    const std::uintmax_t headerBytes = headerSize(signalCount);
    if (signalCount == 0 || fileSize < headerBytes)
        return std::nullopt;
    const std::uint32_t sampleBytes = dataFormat(header).sampleBytes;
    std::uintmax_t recordBytes = 0;
    for (std::uint32_t s = 1; s <= signalCount; ++s) {
        const auto samples = samplesPerRecord(header, s, signalCount);
        if (!samples)
            return std::nullopt;
        recordBytes += sampleBytes * static_cast<std::uintmax_t>(*samples);
    }
    return RecordLayout{headerBytes, recordBytes, fileSize - headerBytes};
}

} // namespace velmorant
