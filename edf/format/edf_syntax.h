#pragma once

#include <optional>
#include <string>

namespace velmorant {

// EDF's number syntax as readers apply it, stricter than the lenient parse of
// the signal count: integers are an optional sign and digits; numbers are
// every decimal form a C-locale strtod reads whole ("-32.E2", "1e3", "+5.").
// Either may be followed by spaces only. Read without the C locale, so a
// decimal comma in the user's locale changes nothing.

std::optional<long long> edfInteger(const std::string &text);
std::optional<double> edfNumber(const std::string &text);

} // namespace velmorant
