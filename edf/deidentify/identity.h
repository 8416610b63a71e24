#pragma once

#include "edf/text/folded_text.h"

#include <string>
#include <vector>

namespace velmorant {

// What identifies the patient of one file, as found in its own header (and
// the user's own words), folded for matching (folded_text.h). It is looked
// for, never shown.
struct Identity {
    Needles nameParts; // of the name and any alias, each of two letters or more
    Needles code; // as written, without its separators, and its runs of 5 digits or more
    Needles birthdate; // each form a text may write it in
    Needles recording; // the recording's admin code and technician
    Needles words; // the user's

    Needles all() const;
    // Whether the header gave nothing to look for: annotation texts then
    // hold only what the user's words take out.
    bool namesNobody() const;
};

// patientField, recordingField: the header's fields as the source holds
// them. EDF+ gives code, birthdate, name and aliases as subfields, the
// recording its admin code and technician; plain EDF's free text counts
// word by word.
Identity identityOf(const std::string &patientField, bool edfPlus,
                    const std::vector<std::string> &words = {},
                    const std::string &recordingField = {});

// The parts of text between any of the separators, none empty.
std::vector<std::string> splitAt(const std::string &text, const std::string &separators);

} // namespace velmorant
