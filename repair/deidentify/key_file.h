#pragma once

#include <string>

namespace velmorant {

// Appends text to a file that only its owner may read: made with mode 0600,
// and given `heading` first, when it does not exist.
bool appendToPrivateFile(const std::string &pathUtf8, const std::string &heading,
                         const std::string &text, std::string &reason);

} // namespace velmorant
