#include "edf/deidentify/annotation_redaction.h"

#include "edf/deidentify/dates_in_text.h"
#include "edf/format/edf_plus.h"
#include "edf/format/field_slots.h"
#include "edf/format/record_layout.h"

#include <algorithm>

namespace velmorant {

namespace {

// The TALs of a record, or nothing when they cannot be read whole.
std::optional<RecordTals> talsOf(const std::string &bytes, bool firstAnnotationSignal)
{
    RecordTals read = readTals(bytes);
    // Another annotation signal has no time-keeping annotation to begin
    // with: what the reader calls its absence is all the TALs read, or none.
    const bool whole = read.fault == TalFault::none
        || (!firstAnnotationSignal && read.fault == TalFault::noTimekeeping
            && (!read.tals.empty() || bytes.empty() || bytes[0] == '\0'));
    if (!whole)
        return std::nullopt;
    return read;
}

// What one annotation signal's texts show, added to `found` once each.
void addIdentifying(const std::string &bytes, const Needles &needles, bool first,
                    std::vector<std::string> &found)
{
    const auto read = talsOf(bytes, first);
    if (!read)
        return;
    const auto add = [&found](const char *what) {
        if (std::find(found.begin(), found.end(), what) == found.end())
            found.push_back(what);
    };
    for (const Tal &tal : read->tals)
        for (const std::string &text : tal.texts) {
            if (!datesIn(text).empty())
                add("dates in annotation texts");
            if (holdsAny(text, needles))
                add("annotation texts naming the patient");
        }
}

} // namespace

std::vector<std::string> identifyingAnnotations(const std::string &header, std::uintmax_t fileSize,
                                                RecordBytes &data, const Needles &needles,
                                                bool everyRecord)
{
    std::vector<std::string> found;
    const auto signals = isEdfPlus(header) ? wholeSignalHeader(header) : std::nullopt;
    const auto layout = signals ? recordLayout(header, *signals, fileSize) : std::nullopt;
    if (!layout || layout->wholeRecords() == 0)
        return found;
    const std::vector<AnnotationPlace> places = annotationPlaces(header, *signals);
    const std::uintmax_t last = layout->wholeRecords() - 1;
    std::string bytes;
    for (std::uintmax_t r = 0; r <= last; r = everyRecord || r == last ? r + 1 : last)
        for (std::size_t p = 0; p < places.size(); ++p)
            if (data.read(layout->headerBytes + r * layout->recordBytes + places[p].offset,
                          places[p].size, bytes))
                addIdentifying(bytes, needles, p == 0, found);
    return found;
}

RedactedRecord redactRecord(std::string &bytes, const Redaction &redaction,
                            bool firstAnnotationSignal)
{
    const auto read = talsOf(bytes, firstAnnotationSignal);
    if (!read)
        return {readTals(bytes).fault, 0};
    RedactedRecord result;
    for (const Tal &tal : read->tals)
        for (std::size_t i = 0; i < tal.texts.size(); ++i) {
            std::size_t matches = 0, dates = 0;
            std::string text = redacted(tal.texts[i], redaction.needles, matches);
            if (redaction.dates)
                text = withoutDates(text, dates);
            if (matches + dates == 0)
                continue;
            bytes.replace(tal.textOffsets[i], text.size(), text);
            ++result.textsChanged;
        }
    return result;
}

bool recordHoldsAny(const std::string &bytes, const Redaction &redaction,
                    bool firstAnnotationSignal)
{
    const auto read = talsOf(bytes, firstAnnotationSignal);
    if (!read)
        return true;
    for (const Tal &tal : read->tals)
        for (const std::string &text : tal.texts)
            if (holdsAny(text, redaction.needles) || (redaction.dates && !datesIn(text).empty()))
                return true;
    return false;
}

std::vector<AnnotationPlace> annotationPlaces(const std::string &header, std::uint32_t signals)
{
    std::vector<AnnotationPlace> places;
    for (std::uint32_t s = 1; s <= signals; ++s)
        if (isAnnotationLabel(header, slotText(header, signalSlot(SignalField::label, s, signals))))
            places.push_back(signalPlace(header, s, signals));
    return places;
}

} // namespace velmorant
