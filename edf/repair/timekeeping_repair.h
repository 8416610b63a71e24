#pragma once

#include "edf/format/record_bytes.h"
#include "edf/format/record_layout.h"
#include "edf/rules/header_check.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velmorant {

// The thorough repair's rules over the data records' annotations.

// An EDF+ mark without a signal labelled "EDF Annotations": the signal whose
// bytes in the first record begin with a time-keeping annotation gets its
// label back; if none does, an "EDF+C" file is plain EDF with a stray mark,
// which is cleared. An "EDF+D" stays as it is: nothing says where its
// records lie.
void settleAnnotationMark(std::string &header, std::uint32_t signals, const RecordLayout &layout,
                          RecordBytes &data);

// Reads every kept record's time-keeping annotation, and returns the faults
// that refuse the file. An "EDF+D" whose records follow each other without a
// gap, the first starting below one second, becomes "EDF+C".
std::vector<Finding> settleTimekeeping(std::string &header, std::uint32_t signals,
                                       const RecordLayout &layout, std::uintmax_t records,
                                       RecordBytes &data);

} // namespace velmorant
