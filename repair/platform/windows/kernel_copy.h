#pragma once

#include "repair/copy/copy_loop.h"

#include <windows.h>

#include <cstdint>

namespace velmorant {

// Copies exactly size bytes from one handle's position to the other's,
// through the system's reads and writes; anything else is a failure.
Copied copyFile(HANDLE from, HANDLE to, std::uintmax_t size, const CopyProgress &progress);

} // namespace velmorant
