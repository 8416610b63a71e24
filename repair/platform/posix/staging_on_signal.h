#pragma once

#include <string>

namespace velmorant {

// What a staging file tells the signal handler: the slot taken for its name
// in the folder open as `folder`, or -1 when none is free or the name does
// not fit; a slot is given back once the file is renamed or gone.
int armSignalCleanup(int folder, const std::string &name);
void disarmSignalCleanup(int slot);

// True once a signal is ending the process: no further copy may be renamed.
bool endingOnSignal();

} // namespace velmorant
