#pragma once

#include <optional>
#include <string>

namespace velmorant {

// EDF's own number syntax, stricter than the lenient parse the repair uses:
// an optional sign, digits, at most one point, then only spaces. Read without
// the C locale, so a decimal comma in the user's locale changes nothing.

std::optional<long long> edfInteger(const std::string &text);
std::optional<double> edfNumber(const std::string &text);

} // namespace velmorant
