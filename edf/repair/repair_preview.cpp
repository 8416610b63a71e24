#include "edf/repair/repair_preview.h"

#include "edf/format/edf_header.h"
#include "edf/format/edf_syntax.h"
#include "edf/format/field_slots.h"
#include "edf/format/numeric_text.h"
#include "edf/format/record_layout.h"
#include "edf/format/recorder.h"
#include "edf/repair/header_patch.h"
#include "edf/repair/thorough_repair.h"

#include <optional>

namespace velmorant {

namespace {

// The lenient parse the repair has always read the signal count with.
std::optional<std::uint32_t> lenientSignalCount(const std::string &fixedHeader,
                                                RepairFailure &failure)
{
    const std::string text = fieldText(fixedHeader.data(), FixedField::signalCount);
    const char *name = field(FixedField::signalCount).name;
    try {
        const auto count = parseTo<std::uint32_t>(text);
        if (count <= maxSignalCount)
            return count;
        failure = {RepairStep::signalCount, name, text, {}};
    } catch (const StringConvertionException &) {
        failure = {RepairStep::parseField, name, text, {}};
    }
    return std::nullopt;
}

class Preview
{
public:
    Preview(const std::string &header, std::uintmax_t fileSize, RepairMode mode, RecordBytes *data,
            const TransferDamage &damage)
        : header(header), fileSize(fileSize), mode(mode), data(data), damage(damage)
    { }

    RepairPreview run()
    {
        std::uint32_t signals = 0;
        if (!readFixedHeader(signals))
            return std::move(result);
        const bool recorder = isRecorderVersion(fieldText(header.data(), FixedField::version));
        std::optional<RecorderRewrite> rewrite;
        if (recorder && mode == RepairMode::usual && !recorderRewrite(signals, rewrite))
            return std::move(result);
        result.header = header.substr(0, headerSize(signals));
        result.signalCount = signals;
        result.keptSize = fileSize;
        patchFixedHeader(&result.header[0], rewrite);
        blank(SignalField::prefiltering, signals);
        blank(SignalField::reserved, signals);
        if (mode == RepairMode::thorough)
            settle(signals, recorder);
        listChanges(signals);
        result.succeeds
            = result.unsettled.empty() && (mode == RepairMode::thorough || breaksNoNewRule());
        return std::move(result);
    }

private:
    bool fail(RepairStep step, const char *fieldName = "", std::string found = {},
              std::string reason = {})
    {
        result.failure = {step, fieldName, std::move(found), std::move(reason)};
        return false;
    }

    bool failOnField(RepairStep step, FixedField f)
    {
        return fail(step, field(f).name, fieldText(header.data(), f));
    }

    // The fixed header, and a signal header the file holds whole. The usual
    // repair makes a file EDF, which a BDF file is not: only the thorough one,
    // which keeps the version, takes it.
    bool readFixedHeader(std::uint32_t &signals)
    {
        if (header.size() < fixedHeaderSize)
            return fail(RepairStep::readFixedHeader, "", {},
                        "it has " + std::to_string(header.size()) + " bytes");
        if (isBdf(header) && mode == RepairMode::usual)
            return fail(RepairStep::bdf);
        if (mode == RepairMode::usual
            && (!parsesLeniently(FixedField::dataRecords)
                || !parsesLeniently(FixedField::recordDuration)))
            return false;
        const auto count = lenientSignalCount(header, result.failure);
        if (!count)
            return false;
        signals = *count;
        const std::uint32_t needed = headerSize(signals);
        if (fileSize < needed)
            return fail(RepairStep::signalHeaderTruncated, "",
                        std::to_string(fileSize) + " bytes, " + std::to_string(signals)
                            + " signals need " + std::to_string(needed));
        if (header.size() < needed)
            return fail(RepairStep::readSamplesPerRecord);
        return true;
    }

    // A number that does not even start the field refuses the file, as it always
    // has: the usual repair leaves these fields as they stand, and a copy
    // called repaired would still be unreadable. The thorough repair settles them.
    bool parsesLeniently(FixedField f)
    {
        try {
            parseTo<std::int32_t>(fieldText(header.data(), f));
            return true;
        } catch (const StringConvertionException &) {
            return failOnField(RepairStep::parseField, f);
        }
    }

    // The numbers the division relies on must mean what they say; a count
    // that the file confirms needs no division at all.
    bool recorderRewrite(std::uint32_t signals, std::optional<RecorderRewrite> &rewrite)
    {
        if (signals == 0)
            return fail(RepairStep::noSignals);
        const auto count = edfInteger(fieldText(header.data(), FixedField::dataRecords));
        if (!count)
            return failOnField(RepairStep::parseField, FixedField::dataRecords);
        if (!edfNumber(fieldText(header.data(), FixedField::recordDuration)))
            return failOnField(RepairStep::parseField, FixedField::recordDuration);
        const auto layout = recordLayout(header, signals, fileSize);
        if (*count >= 0 && layout && layout->leftOver() == 0
            && layout->wholeRecords() == static_cast<std::uintmax_t>(*count))
            return true;
        const FieldSlot samplesSlot = signalSlot(SignalField::samplesPerRecord, 1, signals);
        const std::string samplesText = slotText(header, samplesSlot);
        const auto samples = edfInteger(samplesText);
        if (!samples)
            return fail(RepairStep::parseField, samplesSlot.name, samplesText);
        if (*samples < 1)
            return fail(RepairStep::samplesPerRecordBelowOne, samplesSlot.name, samplesText);
        rewrite = RecorderRewrite{static_cast<std::int32_t>(*count),
                                  static_cast<std::uint32_t>(*samples)};
        return true;
    }

    // A copy called repaired must not be worse than its source: a recorder
    // count divided down to 0 by an absurd samples figure, say, is refused.
    bool breaksNoNewRule()
    {
        result.headerFindings = checkHeader(result.header, fileSize);
        const std::vector<Finding> &after = *result.headerFindings;
        if (!hasError(after))
            return true;
        const std::vector<Finding> before = checkHeader(header, fileSize);
        for (const Finding &f : after)
            if (!f.warning && !containsFault(before, f)) {
                result.failure = {RepairStep::causesFault, f.field, f.found, {}, {f}};
                return false;
            }
        return true;
    }

    // After the reversal of a line feed conversion, every rule measures the
    // file as it will be in the copy; damage that cannot be reversed refuses it.
    void settle(std::uint32_t signals, bool recorder)
    {
        const std::uintmax_t restoredSize = damage.restoredSize(fileSize);
        // Records shifted by the transfer are walked after the copy is restored.
        RecordBytes *records = damage.kind == TransferDamageKind::none ? data : nullptr;
        Settlement settled
            = settleFromFile(result.header, signals, restoredSize, recorder, records);
        result.keptSize = settled.keptSize;
        result.leftOut = restoredSize - settled.keptSize;
        result.carriageReturnsRemoved = damage.removedBytes();
        result.unsettled = std::move(settled.unsettled);
        if (damage.kind != TransferDamageKind::none && !damage.reversible())
            result.unsettled.insert(result.unsettled.begin(), transferFinding(damage));
        if (!result.unsettled.empty())
            result.failure = {RepairStep::unsettled,
                              result.unsettled[0].field,
                              result.unsettled[0].found,
                              {},
                              result.unsettled};
    }

    void blank(SignalField array, std::uint32_t signalCount)
    {
        result.header.replace(arrayOffset(array, signalCount), arrayLength(array, signalCount),
                              arrayLength(array, signalCount), ' ');
    }

    void listChanges(std::uint32_t signalCount)
    {
        forEachSlot(signalCount, [this](const FieldSlot &slot) {
            if (slotBytes(header, slot) != slotBytes(result.header, slot))
                result.changes.push_back({slot.name, slot.signal, slotText(header, slot),
                                          slotText(result.header, slot)});
        });
    }

    const std::string &header;
    std::uintmax_t fileSize;
    RepairMode mode;
    RecordBytes *data;
    const TransferDamage &damage;
    RepairPreview result;
};

} // namespace

std::size_t previewExtent(const std::string &fixedHeader)
{
    if (fixedHeader.size() < fixedHeaderSize)
        return fixedHeader.size();
    RepairFailure ignored;
    const auto signals = lenientSignalCount(fixedHeader, ignored);
    return signals ? headerSize(*signals) : fixedHeaderSize;
}

RepairPreview previewRepair(const std::string &header, std::uintmax_t fileSize, RepairMode mode,
                            RecordBytes *data, const TransferDamage &damage)
{
    return Preview(header, fileSize, mode, data, damage).run();
}

} // namespace velmorant
