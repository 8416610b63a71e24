#pragma once

#include "edf/repair/repair_failure.h"

#include <filesystem>

namespace velmorant {

// Why no copy may be made from source to destination, before anything is
// written: the same file under two names, a source that is not a regular
// file, a destination that may not be replaced. Step none when it may.
RepairFailure pathRefusal(const std::filesystem::path &source,
                          const std::filesystem::path &destination);

// Why the destination may not be replaced; step none when it may. Asked
// again at the commit, as it may have changed during a long copy.
RepairFailure destinationRefusal(const std::filesystem::path &destination);

} // namespace velmorant
