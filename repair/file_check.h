#pragma once

#include "header_review.h"

#include <string>

namespace velmorant {

// Reads one file's header and size, never writes, and checks them; of an
// EDF+ file also the annotations of the records `reading` names.
FileCheck checkFile(const std::string &pathUtf8, RecordReading reading = RecordReading::gaps);

} // namespace velmorant
