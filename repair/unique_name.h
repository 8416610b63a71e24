#pragma once

#include <string>

namespace velmorant {

// The pattern with every '%' replaced by a random lowercase hex digit, for
// names that no other process picks at the same time.
std::string uniqueName(std::string pattern);

} // namespace velmorant
