#include "repair_preview.h"

#include "edf_header.h"
#include "field_slots.h"
#include "header_patch.h"
#include "numeric_text.h"

#include <algorithm>
#include <optional>

namespace velmorant {

namespace {

// The lenient parse the repair itself uses, so both give up on the same text.
template<typename Integer>
std::optional<Integer> parsed(const std::string &text, const char *fieldName,
                              RepairFailure &failure)
{
    try {
        return parseTo<Integer>(text);
    } catch (const StringConvertionException &) {
        failure = {RepairStep::parseField, fieldName, text, {}};
        return std::nullopt;
    }
}

std::optional<std::uint32_t> lenientSignalCount(const std::string &fixedHeader)
{
    RepairFailure ignored;
    const auto count = parsed<std::uint32_t>(fieldText(fixedHeader.data(), FixedField::signalCount),
                                             "", ignored);
    if (!count || *count > maxSignalCount)
        return std::nullopt;
    return count;
}

std::size_t samplesEnd(std::uint32_t signalCount)
{
    return arrayOffset(SignalField::samplesPerRecord, signalCount)
        + field(SignalField::samplesPerRecord).width;
}

class Preview
{
public:
    Preview(const std::string &header, std::uintmax_t fileSize) : header(header), fileSize(fileSize)
    { }

    RepairPreview run()
    {
        FixedHeaderNumbers numbers;
        std::uint32_t samples = 0;
        if (readNumbers(numbers) && headerPresent(numbers.signalCount)
            && readSamplesPerRecord(numbers.signalCount, samples)) {
            result.succeeds = true;
            result.header = header;
            result.signalCount = numbers.signalCount;
            patchFixedHeader(&result.header[0], numbers, samples);
            blank(SignalField::prefiltering, numbers.signalCount);
            blank(SignalField::reserved, numbers.signalCount);
            listChanges(numbers.signalCount);
        }
        return std::move(result);
    }

private:
    bool fail(RepairFailure failure)
    {
        result.failure = std::move(failure);
        return false;
    }

    template<typename Integer> bool parseFixed(FixedField f, Integer &value)
    {
        const auto number
            = parsed<Integer>(fieldText(header.data(), f), field(f).name, result.failure);
        if (number)
            value = *number;
        return number.has_value();
    }

    bool readNumbers(FixedHeaderNumbers &numbers)
    {
        if (header.size() < fixedHeaderSize)
            return fail({RepairStep::readFixedHeader,
                         {},
                         {},
                         "it has " + std::to_string(header.size()) + " bytes"});
        if (!parseFixed(FixedField::dataRecords, numbers.dataRecords)
            || !parseFixed(FixedField::recordDuration, numbers.recordDuration)
            || !parseFixed(FixedField::signalCount, numbers.signalCount))
            return false;
        if (numbers.signalCount > maxSignalCount)
            return fail({RepairStep::signalCount,
                         field(FixedField::signalCount).name,
                         fieldText(header.data(), FixedField::signalCount),
                         {}});
        return true;
    }

    bool headerPresent(std::uint32_t signalCount)
    {
        const std::uint32_t needed = headerSize(signalCount);
        if (fileSize >= needed)
            return true;
        return fail({RepairStep::signalHeaderTruncated,
                     "",
                     std::to_string(fileSize) + " bytes, " + std::to_string(signalCount)
                         + " signals need " + std::to_string(needed),
                     {}});
    }

    bool readSamplesPerRecord(std::uint32_t signalCount, std::uint32_t &samples)
    {
        const HeaderField &samplesField = field(SignalField::samplesPerRecord);
        if (header.size() < samplesEnd(signalCount))
            return fail({RepairStep::readSamplesPerRecord, {}, {}, {}});
        const std::string text = header.substr(
            arrayOffset(SignalField::samplesPerRecord, signalCount), samplesField.width);
        const auto count = parsed<std::uint32_t>(text, samplesField.name, result.failure);
        if (!count)
            return false;
        if (*count == 0)
            return fail({RepairStep::zeroSamplesPerRecord, samplesField.name, text, {}});
        samples = *count;
        return true;
    }

    void blank(SignalField array, std::uint32_t signalCount)
    {
        result.header.replace(arrayOffset(array, signalCount), arrayLength(array, signalCount),
                              arrayLength(array, signalCount), ' ');
    }

    void listChanges(std::uint32_t signalCount)
    {
        for (const FieldSlot &slot : allSlots(signalCount)) {
            const std::string from = slotText(header, slot), to = slotText(result.header, slot);
            if (from != to)
                result.changes.push_back({slot.name, slot.signal, from, to});
        }
    }

    const std::string &header;
    std::uintmax_t fileSize;
    RepairPreview result;
};

} // namespace

std::size_t previewExtent(const std::string &fixedHeader)
{
    if (fixedHeader.size() < fixedHeaderSize)
        return fixedHeader.size();
    const auto signals = lenientSignalCount(fixedHeader);
    if (!signals)
        return fixedHeaderSize;
    return std::max<std::size_t>(headerSize(*signals), samplesEnd(*signals));
}

RepairPreview previewRepair(const std::string &header, std::uintmax_t fileSize)
{
    return Preview(header, fileSize).run();
}

} // namespace velmorant
