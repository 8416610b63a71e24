#pragma once

#include "edf/rules/rule.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velmorant {

// What a strict EDF reader would object to in a header, one finding per
// field and rule. Nothing here touches a file.
struct Finding {
    Rule rule;
    std::string field; // the header field's name, or "file size"
    std::uint32_t signal; // numbered from 1; 0 for the fixed header and the file as a whole
    std::string found; // the field's full text, or what was measured
    std::string expected;
    bool warning; // legal, but worth knowing; does not make the file unsound
};

// header: the bytes from the start of the file, at least the whole header if
// the file has one. fileSize: the file's size as the file system reports it.
std::vector<Finding> checkHeader(const std::string &header, std::uintmax_t fileSize);

bool hasError(const std::vector<Finding> &findings);

// True when the findings hold the same rule broken in the same field,
// whatever text either found there.
bool containsFault(const std::vector<Finding> &findings, const Finding &wanted);

} // namespace velmorant
