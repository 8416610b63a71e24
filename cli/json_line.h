#pragma once

#include "file_check.h"

#include <string>

namespace velmorant {

// A JSON string literal. Text that is not UTF-8 (header bytes often are
// not) is taken byte for byte as Latin-1, so the line stays valid JSON.
std::string jsonString(const std::string &text);

// One line, no line feed: {"file": ..., "findings": [...], "changes": [...],
// "repair_error": ..., "sound": ..., "sound_after_repair": ...}
std::string jsonLine(const std::string &path, const FileCheck &check);

} // namespace velmorant
