#pragma once

#include "repair/deidentify/deidentified_copy.h"

#include <string>
#include <vector>

namespace velmorant {

// The key's CSV: its first line, the column names, and one row per file.
std::string keyHeading();
std::string keyRow(const std::string &destination, const std::string &source,
                   const Deidentification &done);

// Appends text to a file that only its owner may read, and puts it on disk:
// made with mode 0600, and given `heading` first, when it does not exist. A
// row cut short by an earlier failure is taken off first, so that rows stay
// whole. A link is never followed.
bool appendToPrivateFile(const std::string &pathUtf8, const std::string &heading,
                         const std::string &text, std::string &reason);

// Why the key may not be written to pathUtf8 by a run over runPaths (its
// sources and destinations), or empty: it is one of them, a link, not the
// user's own or open to others.
std::string keyFileRefusal(const std::string &pathUtf8, const std::vector<std::string> &runPaths);

} // namespace velmorant
