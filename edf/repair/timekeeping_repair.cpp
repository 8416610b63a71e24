#include "edf/repair/timekeeping_repair.h"

#include "edf/format/annotations.h"
#include "edf/format/data_format.h"
#include "edf/format/edf_header.h"
#include "edf/format/edf_plus.h"
#include "edf/format/field_slots.h"
#include "edf/rules/timekeeping.h"

namespace velmorant {

namespace {

void writeSlot(std::string &header, const FieldSlot &slot, std::string text)
{
    text.resize(slot.width, ' ');
    header.replace(slot.offset, slot.width, text);
}

bool beginsWithTimekeeping(const std::string &bytes)
{
    const RecordTals read = readTals(bytes);
    return !read.tals.empty() && !read.tals[0].texts.empty() && read.tals[0].texts[0].empty();
}

} // namespace

void settleAnnotationMark(std::string &header, std::uint32_t signals, const RecordLayout &layout,
                          RecordBytes &data)
{
    if (!isEdfPlus(header) || annotationPlace(header, signals) || layout.wholeRecords() == 0)
        return;
    std::string first;
    if (!data.read(layout.headerBytes, static_cast<std::size_t>(layout.recordBytes), first))
        return;
    for (std::uint32_t s = 1; s <= signals; ++s) {
        const AnnotationPlace place = signalPlace(header, s, signals);
        if (beginsWithTimekeeping(first.substr(place.offset, place.size)))
            return writeSlot(header, signalSlot(SignalField::label, s, signals),
                             dataFormat(header).annotationLabel);
    }
    if (!isDiscontinuous(header))
        writeSlot(header, fixedSlot(FixedField::reserved), "");
}

std::vector<Finding> settleTimekeeping(std::string &header, std::uint32_t signals,
                                       const RecordLayout &layout, std::uintmax_t records,
                                       RecordBytes &data)
{
    const Timekeeping read
        = readTimekeeping(header, signals, layout, records, data, RecordWalk::everyRecord);
    if (read.read && read.faults.empty() && read.continuous && isDiscontinuous(header)
        && isWithinFirstSecond(*read.firstOnset))
        header.replace(offsetOf(FixedField::reserved), 5,
                       std::string(dataFormat(header).plusMark) + "C");
    return read.faults;
}

} // namespace velmorant
