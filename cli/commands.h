#pragma once

#include "cli/options.h"

#include <ostream>

namespace velmorant {

// Runs a repair or check command; returns the exit status. Each file's line
// is written and flushed as soon as the file is done, results to `out`,
// errors and warnings to `err`.
int runCommand(const Options &options, std::ostream &out, std::ostream &err);

} // namespace velmorant
