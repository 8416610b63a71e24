#pragma once

#include "repair/copy/copy_loop.h"

#include <cstdint>

namespace velmorant {

// Copies exactly size bytes from one descriptor's position to the other's,
// through the kernel where it can, and has the system write them to disk as
// they come; anything else is a failure.
Copied copyFile(int from, int to, std::uintmax_t size, const CopyProgress &progress);

} // namespace velmorant
