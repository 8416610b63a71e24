#pragma once

#include <cstddef>

namespace velmorant {

// How many staging files may be open at once: a signal still removes every
// one of them, and they and their folders leave the process descriptors.
std::size_t stagingFilesAtOnce();

// For a thread that commits copies while another stages more: the signals
// that end the process are handled on the other, whose handler then keeps
// this one from renaming any further copy.
void leaveEndingSignalsToOtherThreads();

// For the programs' main: a SIGINT, SIGTERM, SIGHUP or SIGPIPE (on Windows:
// Ctrl+C, Ctrl+Break, closing the console, logging off) removes the
// staging file being written, then ends the process as the signal would
// have; one that was ignored at start stays ignored. SIGXFSZ is ignored, so
// that a file-size limit is a write that fails with its reason.
void installSignalHandlers();

} // namespace velmorant
