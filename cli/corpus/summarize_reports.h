#pragma once

#include "cli/options.h"

#include <ostream>

namespace velmorant {

// --summarize REPORT...: the summary a check ends with, made from the
// --check --json lines of the reports ("-" is standard input), as one JSON
// object with --json. 0 when every file is sound or repairable, 1 when one
// is not or a report cannot be read.
int summarizeReports(const Options &options, std::ostream &out, std::ostream &err);

} // namespace velmorant
