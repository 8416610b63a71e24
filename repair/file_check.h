#pragma once

#include "header_review.h"

#include <string>

namespace velmorant {

// Reads one file's header and size, never writes, and checks them; of an
// EDF+ file also the annotations of the records the rules need (every
// record's with thorough, for the thorough repair's preview).
FileCheck checkFile(const std::string &pathUtf8, bool thorough = false);

} // namespace velmorant
