#pragma once

#include "file_check.h"
#include "header_repair.h"

#include <string>
#include <vector>

namespace velmorant {

// A JSON string literal. Text that is not UTF-8 (header bytes often are
// not) is taken byte for byte as Latin-1, so the line stays valid JSON.
std::string jsonString(const std::string &text);

// One line, no line feed: {"file": ..., "findings": [...], "changes": [...],
// "repair_error": ..., "sound": ..., "sound_after_repair": ...}. With
// thorough, each finding adds "repaired_thorough" and "why_not_repaired",
// and the line adds "thorough_changes", "bytes_left_out",
// "thorough_repair_error" and "sound_after_thorough_repair".
std::string jsonLine(const std::string &path, const FileCheck &check, bool thorough = false);

// The outcome of one repair: {"file": ..., "destination": ..., "repaired":
// ..., "repair_error": ..., "changes": [...], "bytes_left_out": ...,
// "warnings": [...]}, the warnings being what the check still finds in the copy.
std::string jsonRepairLine(const std::string &source, const std::string &destination,
                           const HeaderRepair &repair, bool repaired,
                           const std::vector<CheckedFinding> &warnings);

} // namespace velmorant
