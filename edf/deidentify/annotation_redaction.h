#pragma once

#include "edf/format/annotations.h"
#include "edf/format/record_bytes.h"
#include "edf/rules/timekeeping.h"
#include "edf/text/folded_text.h"

#include <cstddef>
#include <string>
#include <vector>

namespace velmorant {

// What to take out of annotation texts.
struct Redaction {
    Needles needles;
    bool dates = false; // every date written in them too (dates_in_text.h)
};

// One data record's annotation bytes with every match of the needles in a
// TAL's text replaced, byte for byte (folded_text.h): onsets, durations,
// the time-keeping annotation and every byte around the texts stay.
struct RedactedRecord {
    TalFault fault = TalFault::none; // the TALs could not be read: nothing changed
    std::size_t textsChanged = 0;
};
// Only the first annotation signal begins with a time-keeping annotation.
RedactedRecord redactRecord(std::string &bytes, const Redaction &redaction,
                            bool firstAnnotationSignal);

// Whether any text of the record's TALs still holds a needle or date; a record whose
// TALs cannot be read counts as holding one, as it cannot be shown clean.
bool recordHoldsAny(const std::string &bytes, const Redaction &redaction,
                    bool firstAnnotationSignal);

// What --check calls identifying in an EDF+ file's annotation texts: "dates
// in annotation texts" and, where needles are given, "annotation texts
// naming the patient"; read from the first and the last data record, or
// from every one.
std::vector<std::string> identifyingAnnotations(const std::string &header, std::uintmax_t fileSize,
                                                RecordBytes &data, const Needles &needles,
                                                bool everyRecord);

// Every annotation signal's place in a record, in signal order: texts may be
// in any of them.
std::vector<AnnotationPlace> annotationPlaces(const std::string &header, std::uint32_t signals);

} // namespace velmorant
