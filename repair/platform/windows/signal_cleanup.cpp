#include "repair/platform/signal_cleanup.h"

#include "repair/platform/windows/handles.h"
#include "repair/platform/windows/staging_on_signal.h"

#include <atomic>

namespace velmorant {

namespace {

// The staging file that the console's handler must remove. Global, because
// the handler can reach nothing else; it runs on a thread of its own while
// the copy goes on, hence atomic.
std::atomic<HANDLE> stagingOnSignal{nullptr};

BOOL WINAPI removeStagingAndEnd(DWORD)
{
    if (HANDLE file = stagingOnSignal.load())
        deleteOnClose(file);
    // Ends as the system's own handler would, which not every host calls.
    ::ExitProcess(STATUS_CONTROL_C_EXIT);
    return TRUE;
}

} // namespace

void armSignalCleanup(HANDLE file)
{
    stagingOnSignal.store(file);
}

void disarmSignalCleanup()
{
    stagingOnSignal.store(nullptr);
}

// One at a time: the console handler knows a single staging file.
std::size_t stagingFilesAtOnce()
{
    return 1;
}

void leaveEndingSignalsToOtherThreads() { }

void installSignalHandlers()
{
    ::SetConsoleCtrlHandler(removeStagingAndEnd, TRUE);
}

} // namespace velmorant
