#pragma once

#include "file_check.h"
#include "finding_text.h"

#include <string>

namespace velmorant {

// The words of the command line's report, with header text and findings
// shown as finding_text.h has them.

// "sound", "needs repair" or "not repairable".
std::string verdict(const FileCheck &check);

// The lines for one checked file: the verdict with the path, then one
// indented line per finding, per change the repair would make and, if it
// would fail, why.
std::string checkReport(const std::string &path, const FileCheck &check);

// "2 of 3 files repaired"
std::string repairSummary(int repaired, int total);

// "3 files checked: 1 sound, 1 needs repair, 1 not repairable"
std::string checkSummary(int sound, int repairable, int total);

} // namespace velmorant
