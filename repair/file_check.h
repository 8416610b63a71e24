#pragma once

#include "header_review.h"

#include <string>

namespace velmorant {

// Reads one file's header and size, never writes, and checks them.
FileCheck checkFile(const std::string &pathUtf8);

} // namespace velmorant
