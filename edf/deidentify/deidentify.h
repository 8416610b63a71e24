#pragma once

#include "edf/format/edf_dates.h"

#include <optional>
#include <string>
#include <vector>

namespace velmorant {

// What identifies the patient of one file, as found in its own patient field
// (and the user's own words), folded for matching (folded_text.h). It is
// looked for, never shown.
struct Identity {
    std::vector<std::u32string> nameParts; // each of two letters or more
    std::vector<std::u32string> code;
    std::vector<std::u32string> birthdate; // each form a text may write it in
    std::vector<std::u32string> words; // the user's

    std::vector<std::u32string> all() const;
};

// patientField: the header's field as the source holds it. EDF+ gives code,
// birthdate and name as subfields; plain EDF's free text counts word by word.
Identity identityOf(const std::string &patientField, bool edfPlus,
                    const std::vector<std::string> &words = {});

// The days from a run's earliest start date ("dd.mm.yy") to 01.01.85.
std::optional<int> daysToEarliestDate(const std::string &startDateField);

// The header with its identification fields cleared and its start date moved
// by `days` (0 keeps it), every field as wide as before; or why not.
struct ClearedHeader {
    std::string header;
    std::string refusal; // empty when cleared
};
ClearedHeader clearedHeader(const std::string &header, int days);

// What a header still holds of anyone: the names of the identification
// subfields (EDF+) or fields (plain EDF) that are not "X" or blank.
std::vector<std::string> identifyingFields(const std::string &header);

// Whether header and identity agree that nothing identifying is left in the
// header: the identification fields are what clearing makes of them and hold
// none of the identity's strings. Empty when so; otherwise the field at fault.
std::string identityLeftInHeader(const std::string &header, const Identity &identity);

} // namespace velmorant
