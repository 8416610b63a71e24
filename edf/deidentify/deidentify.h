#pragma once

#include "edf/deidentify/identity.h"
#include "edf/format/edf_dates.h"

#include <optional>
#include <string>
#include <vector>

namespace velmorant {

// The days from a run's earliest start date ("dd.mm.yy") to 01.01.85.
std::optional<int> daysToEarliestDate(const std::string &startDateField);

// Whether the header's start date stands for no date: 01.01.85, or an EDF+
// "Startdate X". It is neither moved nor counted for the run's shift.
bool placeholderDate(const std::string &header);

// The header with its identification fields cleared, the identity taken
// out of every other text field (plain EDF's reserved field blanked) and
// its start date moved by `days` unless kept; every field as wide as before;
// or why not. A date that cannot be moved is refused, never kept.
struct ClearedHeader {
    std::string header;
    std::string refusal; // empty when cleared
};
ClearedHeader clearedHeader(const std::string &header, int days, const Identity &identity = {},
                            bool keepDates = false);

// What a header still holds of anyone: the names of the identification
// subfields (EDF+) or fields (plain EDF) that are not "X" or blank.
std::vector<std::string> identifyingFields(const std::string &header);

// Whether header and identity agree that nothing identifying is left in the
// header: the identification fields are what clearing makes of them, and no
// other text field holds any of the identity's strings. Empty when so;
// otherwise the field at fault. The text clearing writes is never searched.
std::string identityLeftInHeader(const std::string &header, const Identity &identity);

} // namespace velmorant
