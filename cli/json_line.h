#pragma once

#include "file_check.h"

#include <string>

namespace velmorant {

// A JSON string literal in well-formed UTF-8, whatever the text. A byte that
// is not part of well-formed UTF-8 (header bytes and file names often are
// not) becomes the four characters \xNN, with NN its value in upper-case hex,
// and a backslash followed by x becomes \x5C: replacing every \xNN of the
// string read back by its byte gives the original bytes.
std::string jsonString(const std::string &text);

// One line, no line feed: {"file": ..., "findings": [...], "changes": [...],
// "repair_error": ..., "sound": ..., "sound_after_repair": ...}
std::string jsonLine(const std::string &path, const FileCheck &check);

} // namespace velmorant
