#pragma once

#include <windows.h>

namespace velmorant {

// The one staging file the console's handler removes, or none.
void armSignalCleanup(HANDLE file);
void disarmSignalCleanup();

} // namespace velmorant
