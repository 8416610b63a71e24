#pragma once

#include "repair/engine/file_check.h"
#include "repair/engine/file_outcome.h"

#include <string>
#include <vector>

namespace velmorant {

// A JSON string literal in well-formed UTF-8, whatever the text. A byte that
// is not part of well-formed UTF-8 (header bytes and file names often are
// not) becomes the four characters \xNN, with NN its value in upper-case hex,
// and a backslash followed by x becomes \x5C: replacing every \xNN of the
// string read back by its byte gives the original bytes.
std::string jsonString(const std::string &text);

// One line, no line feed: {"file": ..., "format": ..., "findings": [...], "changes": [...],
// "repair_error": ..., "sound": ..., "sound_after_repair": ...}. With
// thorough, each finding adds "repaired_thorough" and "why_not_repaired",
// and the line adds "thorough_changes", "bytes_left_out",
// "thorough_repair_error" and "sound_after_thorough_repair".
std::string jsonLine(const std::string &path, const FileCheck &check, bool thorough = false);

// The outcome of one repair: {"file": ..., "destination": ..., "format": ..., "repaired":
// ..., "repair_error": ..., "changes": [...], "bytes_left_out": ...,
// "warnings": [...]}, the warnings being what the check still finds in the copy.
// With deidentify, the line adds "deidentified": {"start_date": "moved",
// "annotation_texts_changed": ..., "identity_in_file_name": ...} (null when
// not done), and shows no identification field's text.
std::string jsonRepairLine(const std::string &source, const std::string &destination,
                           const FileOutcome &outcome, const std::vector<CheckedFinding> &warnings,
                           bool deidentify = false);

} // namespace velmorant
