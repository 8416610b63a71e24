#pragma once

#include <string>

namespace velmorant {

// Strict UTF-8 to UTF-16: throws std::range_error("bad conversion") on a
// stray continuation byte, a missing continuation byte, a sequence cut off
// at the end, or a value above U+10FFFF.
std::u16string decodeUtf8(const std::string &utf8);

} // namespace velmorant
