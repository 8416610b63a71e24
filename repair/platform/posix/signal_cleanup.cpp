#include "repair/platform/signal_cleanup.h"

#include "repair/platform/posix/staging_on_signal.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace velmorant {

namespace {

// The staging files that a signal handler must remove: one per file of the
// batches under way. Global, because a handler can reach nothing else; lock-
// free atomics and fixed storage, because a handler may use only async-
// signal-safe calls, and a batch is committed on a thread of its own: a
// slot's flag is set only while its folder and name are complete.
struct StagingOnSignal {
    std::atomic<int> armed{0};
    int folder = -1;
    char name[NAME_MAX + 1] = {};
};
constexpr std::size_t stagingSlots = 512;
StagingOnSignal stagingOnSignal[stagingSlots];
// Set by the handler before it removes anything, so that a batch being
// committed renames no further copy: the copies stay complete in order.
std::atomic<int> signalled{0};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler uses it");

// Where the search for a free slot starts: after the last one taken, as a
// batch frees its slots in the order it took them. Used by one thread only.
std::size_t nextSlot = 0;

void removeStagingAndEnd(int signal)
{
    signalled.store(1);
    for (const StagingOnSignal &slot : stagingOnSignal)
        if (slot.armed.load())
            ::unlinkat(slot.folder, slot.name, 0);
    // SA_RESETHAND put the default action back; the signal stays blocked
    // until this returns and then ends the process as it would have.
    ::raise(signal);
}

} // namespace

int armSignalCleanup(int folder, const std::string &name)
{
    for (std::size_t tried = 0; tried < stagingSlots && name.size() <= NAME_MAX; ++tried) {
        const std::size_t i = (nextSlot + tried) % stagingSlots;
        StagingOnSignal &slot = stagingOnSignal[i];
        if (slot.armed.load())
            continue;
        slot.folder = folder;
        name.copy(slot.name, name.size());
        slot.name[name.size()] = '\0';
        slot.armed.store(1);
        nextSlot = (i + 1) % stagingSlots;
        return static_cast<int>(i);
    }
    return -1;
}

void disarmSignalCleanup(int slot)
{
    stagingOnSignal[slot].armed.store(0);
}

bool endingOnSignal()
{
    return signalled.load() != 0;
}

std::size_t stagingFilesAtOnce()
{
    // Each staged copy may hold its folder open besides itself; some
    // descriptors stay for the rest of the program.
    constexpr rlim_t keptForTheRest = 64;
    struct rlimit open {
    };
    if (::getrlimit(RLIMIT_NOFILE, &open) != 0 || open.rlim_cur == RLIM_INFINITY)
        return stagingSlots;
    return open.rlim_cur > keptForTheRest + 2
        ? std::min<std::size_t>(stagingSlots, (open.rlim_cur - keptForTheRest) / 2)
        : 1;
}

void leaveEndingSignalsToOtherThreads()
{
    sigset_t ending;
    sigemptyset(&ending);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        sigaddset(&ending, signal);
    ::pthread_sigmask(SIG_BLOCK, &ending, nullptr);
}

void installSignalHandlers()
{
    static const int ending[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
    struct sigaction action {
    };
    action.sa_handler = removeStagingAndEnd;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : ending)
        sigaddset(&action.sa_mask, signal);
    for (int signal : ending) {
        struct sigaction previous {
        };
        // Ignored at start (nohup, a background job): the user wants it ignored.
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
    }
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace velmorant
