#pragma once

#include "edf/repair/header_review.h"
#include "edf/repair/repair_preview.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velmorant {

// The words for what a repair changes, the same in every front end.

// `number of data records "-1      " -> "1800    "`; a field the repair
// blanks shows without its padding: `... "HP:0.1Hz" -> blank`. The
// patient's identification is named, never shown.
std::string changeText(const FieldChange &change);

// "812 bytes after the last whole data record"
std::string leftOutText(std::uintmax_t bytes);

// "45128 carriage returns that the transfer inserted before line feeds left
// out of the data; ..."
std::string restoredText(std::uintmax_t carriageReturns);

// What a repair changed, one line each: `restored: ...`, `change: ...`,
// `left out: ...`.
std::vector<std::string> changeLines(const std::vector<FieldChange> &changes,
                                     std::uintmax_t leftOut,
                                     std::uintmax_t carriageReturnsRemoved = 0);

// The changes of `repair` that `usual` does not make.
std::vector<FieldChange> changesBeyond(const RepairPreview &repair, const RepairPreview &usual);

// What the thorough repair would do to a checked file beyond the usual
// repair, one line each: `thorough: <restored>`, `thorough change: ...`,
// `thorough: leaves out ...`.
std::vector<std::string> thoroughChangeLines(const FileCheck &check);

} // namespace velmorant
