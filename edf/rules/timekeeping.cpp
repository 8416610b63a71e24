#include "edf/rules/timekeeping.h"

#include "edf/format/annotations.h"
#include "edf/format/data_format.h"
#include "edf/format/edf_header.h"
#include "edf/format/edf_plus.h"
#include "edf/format/edf_syntax.h"
#include "edf/format/field_slots.h"

namespace velmorant {

namespace {

std::string recordName(std::uintmax_t index)
{
    return "data record " + std::to_string(index + 1);
}

std::string onsetText(__int128 attoseconds)
{
    return (attoseconds < 0 ? "" : "+") + secondsText(attoseconds);
}

struct ReadRecord {
    std::uintmax_t index;
    WrittenSeconds onset;
    std::string onsetText;
};

class Walk
{
public:
    Walk(const std::string &header, const RecordLayout &layout, const AnnotationPlace &place,
         RecordBytes &data)
        : layout(layout), place(place), data(data), discontinuous(isDiscontinuous(header)),
          duration(durationSeconds(slotText(header, fixedSlot(FixedField::recordDuration))))
    {
        result.read = true;
        // Unknown when the duration is written in a form not read exactly.
        result.continuous = duration && duration->attoseconds > 0;
    }

    // False once a record shows a fault: the records after it say no more.
    bool visit(std::uintmax_t index)
    {
        const auto onset = onsetOf(index);
        if (!onset)
            return false;
        if (previous && duration && duration->attoseconds > 0)
            compare(*previous, *onset);
        else if (!previous)
            first(*onset);
        previous = onset;
        return result.faults.empty();
    }

    Timekeeping finish() { return std::move(result); }

private:
    std::optional<ReadRecord> onsetOf(std::uintmax_t index)
    {
        std::string bytes;
        if (!data.read(layout.headerBytes + index * layout.recordBytes + place.offset, place.size,
                       bytes)) {
            result.readFailed = true;
            fault(index, "", "annotation bytes that can be read");
            return std::nullopt;
        }
        const RecordTals tals = readTals(bytes);
        if (tals.fault != TalFault::none) {
            fault(index, tals.faultText,
                  talExpectation(tals.fault)
                      + (tals.fault == TalFault::noTimekeeping
                             ? ": the data records are not where the header puts them"
                             : ""));
            return std::nullopt;
        }
        return ReadRecord{index, tals.tals[0].onset, tals.tals[0].onsetText};
    }

    void first(const ReadRecord &record)
    {
        result.firstOnset = record.onset;
        if (!discontinuous && record.index == 0 && !isWithinFirstSecond(record.onset))
            fault(0, record.onsetText,
                  "an onset from 0 to below 1 s, as EDF+C has the first data record start");
    }

    void compare(const ReadRecord &before, const ReadRecord &now)
    {
        const auto steps = static_cast<__int128>(now.index - before.index);
        const __int128 expected = before.onset.attoseconds + steps * duration->attoseconds;
        const __int128 off = now.onset.attoseconds - expected;
        const __int128 precision = writtenPrecision(before.onset, now.onset);
        if (off < precision && -off < precision)
            return;
        result.continuous = false;
        if (!discontinuous)
            return fault(now.index, now.onsetText,
                         onsetText(expected) + ", where " + recordName(before.index) + " ("
                             + before.onsetText + ") and the records before it end, as in EDF+C");
        if (now.onset.attoseconds < before.onset.attoseconds)
            return fault(now.index, now.onsetText,
                         "an onset not before " + recordName(before.index) + "'s "
                             + before.onsetText + ": onsets do not go back");
        if (off > 0 && steps == 1) {
            ++result.gaps;
            result.longestGap = std::max(result.longestGap, off);
        }
    }

    void fault(std::uintmax_t index, const std::string &found, const std::string &expected)
    {
        result.faults.push_back({Rule::timekeeping, recordName(index), 0, found, expected, false});
    }

    const RecordLayout &layout;
    const AnnotationPlace &place;
    RecordBytes &data;
    bool discontinuous;
    std::optional<WrittenSeconds> duration;
    std::optional<ReadRecord> previous;
    Timekeeping result;
};

} // namespace

std::optional<std::uint32_t> wholeSignalHeader(const std::string &header)
{
    if (header.size() < fixedHeaderSize)
        return std::nullopt;
    const auto count = edfInteger(slotText(header, fixedSlot(FixedField::signalCount)));
    if (!count || *count < 1 || *count > maxSignalCount
        || header.size() < headerSize(static_cast<std::uint32_t>(*count)))
        return std::nullopt;
    return static_cast<std::uint32_t>(*count);
}

AnnotationPlace signalPlace(const std::string &header, std::uint32_t signal, std::uint32_t signals)
{
    const std::uint32_t sampleBytes = dataFormat(header).sampleBytes;
    std::uintmax_t offset = 0;
    for (std::uint32_t s = 1; s < signal; ++s)
        offset += sampleBytes * std::uintmax_t{*samplesPerRecord(header, s, signals)};
    return {signal, offset, sampleBytes * std::size_t{*samplesPerRecord(header, signal, signals)}};
}

std::optional<AnnotationPlace> annotationPlace(const std::string &header, std::uint32_t signals)
{
    for (std::uint32_t s = 1; s <= signals; ++s)
        if (isAnnotationLabel(header, slotText(header, signalSlot(SignalField::label, s, signals))))
            return signalPlace(header, s, signals);
    return std::nullopt;
}

Timekeeping readTimekeeping(const std::string &header, std::uint32_t signals,
                            const RecordLayout &layout, std::uintmax_t records, RecordBytes &data,
                            RecordWalk walk)
{
    const auto place = annotationPlace(header, signals);
    if (!isEdfPlus(header) || !place || records == 0)
        return {};
    Walk reading(header, layout, *place, data);
    if (walk == RecordWalk::everyRecord) {
        for (std::uintmax_t index = 0; index < records && reading.visit(index); ++index)
            ;
    } else {
        // The last record is read even after a fault in the first: either may be named.
        reading.visit(0);
        if (records > 1)
            reading.visit(records - 1);
    }
    return reading.finish();
}

Timekeeping checkTimekeeping(const std::string &header, std::uintmax_t fileSize, RecordBytes &data,
                             bool countGaps)
{
    const auto signals = wholeSignalHeader(header);
    const auto layout = signals ? recordLayout(header, *signals, fileSize) : std::nullopt;
    if (!layout || !isEdfPlus(header))
        return {};
    return readTimekeeping(header, *signals, *layout, layout->wholeRecords(), data,
                           countGaps && isDiscontinuous(header) ? RecordWalk::everyRecord
                                                                : RecordWalk::ends);
}

} // namespace velmorant
