#pragma once

#include "edf/wording/finding_text.h"
#include "repair/engine/file_check.h"

#include <string>

namespace velmorant {

// The words of the command line's report, with header text and findings
// shown as finding_text.h has them.

// "sound", "needs repair" or "not repairable"; with thorough, "needs
// --thorough" for a file only the thorough repair makes sound.
std::string verdict(const FileCheck &check, bool thorough = false);

// The lines for one checked file: the verdict with the path, then one
// indented line per finding, per change the repair would make and, if it
// would fail, why. With thorough, each finding says which repair fixes it or
// why none does, and the thorough repair's own changes and failure follow.
std::string checkReport(const std::string &path, const FileCheck &check, bool thorough = false);

// The indented lines of what a repair changed: one per field, and the bytes it left out.
std::string changeReport(const RepairPreview &repair);

// "2 of 3 files repaired"
std::string repairSummary(int repaired, int total);

// "3 files checked: 1 sound, 1 needs repair, 1 not repairable"; with
// thorough, "needs --thorough" counts between the last two.
std::string checkSummary(int sound, int repairable, int total);
std::string checkSummary(int sound, int repairable, int thoroughRepairable, int total);

} // namespace velmorant
