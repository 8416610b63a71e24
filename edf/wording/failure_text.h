#pragma once

#include "edf/repair/repair_failure.h"

#include <string>

namespace velmorant {

// One sentence in plain English, naming the field and quoting its text.
std::string describe(const RepairFailure &failure);

} // namespace velmorant
