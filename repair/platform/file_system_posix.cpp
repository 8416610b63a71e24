#include "repair/platform/file_system.h"

#include "repair/records/copy_loop.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <pthread.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace velmorant {

fs::path toFsPath(const std::string &utf8)
{
    return fs::path(utf8);
}

std::FILE *openForReading(const fs::path &path)
{
    return std::fopen(path.c_str(), "rb");
}

bool truncateFile(std::FILE *file, std::uintmax_t size)
{
    return std::fflush(file) == 0 && ::ftruncate(fileno(file), static_cast<off_t>(size)) == 0;
}

namespace {

// Bytes done at offset by pread or pwrite, retried where a signal cut them
// short; fewer than size at the end of the file or on an error.
template<typename Buffer, typename Transfer>
std::size_t transferAt(std::FILE *file, std::uintmax_t offset, Buffer data, std::size_t size,
                       Transfer transfer)
{
    if (std::fflush(file) != 0)
        return 0;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t moved
            = transfer(fileno(file), data + done, size - done, static_cast<off_t>(offset + done));
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved <= 0)
            break;
        done += static_cast<std::size_t>(moved);
    }
    return done;
}

} // namespace

std::size_t readAt(std::FILE *file, std::uintmax_t offset, char *data, std::size_t size)
{
    return transferAt(file, offset, data, size, ::pread);
}

bool writeAt(std::FILE *file, std::uintmax_t offset, const char *data, std::size_t size)
{
    return transferAt(file, offset, data, size, ::pwrite) == size;
}

bool writeAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool namesDevice(const fs::path &)
{
    return false; // devices are found by what a name leads to
}

bool stderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) != 0;
}

namespace {

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : fd(fd) { }
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return fd; }

private:
    int fd;
};

// Has the system start writing each stretch just copied and wait for the one
// before, which has had a stretch's time. Without it the whole copy could
// wait in memory for the closing fsync: seconds per GiB, minutes on a slow
// stick, with nothing to report meanwhile.
class WriteBehind
{
public:
    explicit WriteBehind(int target) : target(target) { }

    void operator()(std::uintmax_t copied)
    {
#ifdef __linux__
        // Failures surface in the closing fsync.
        ::sync_file_range(target, static_cast<off64_t>(started),
                          static_cast<off64_t>(copied - started), SYNC_FILE_RANGE_WRITE);
        if (started > waited)
            ::sync_file_range(
                target, static_cast<off64_t>(waited), static_cast<off64_t>(started - waited),
                SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
        waited = started;
        started = copied;
#else
        (void)copied;
#endif
    }

private:
    int target;
    std::uintmax_t started = 0; // from here on, nothing is sent to the disk yet
    std::uintmax_t waited = 0; // up to here, everything is on the disk
};

long long readSome(int fd, char *buffer, std::size_t size)
{
    ssize_t got;
    do
        got = ::read(fd, buffer, size);
    while (got < 0 && errno == EINTR);
    return got;
}

// Copies with a plain loop, for when the kernel cannot copy between the two files.
Copied copyBytes(int from, int to, std::uintmax_t size, ProgressPoints &points)
{
    return copyInBlocks(
        [from](char *buffer, std::size_t wanted) { return readSome(from, buffer, wanted); },
        [to](const char *data, std::size_t count) { return writeAll(to, data, count); }, size,
        points);
}

// Exactly size bytes, or failure.
Copied copyFile(int from, int to, std::uintmax_t size, const CopyProgress &progress)
{
    ProgressPoints points(progress, size, WriteBehind(to));
#ifdef __linux__
    // The kernel copies without our buffer, as cp does.
    std::uintmax_t done = 0;
    while (done < size) {
        const auto chunk
            = static_cast<std::size_t>(std::min<std::uintmax_t>(size - done, reportEvery));
        const ssize_t copied = ::copy_file_range(from, nullptr, to, nullptr, chunk, 0);
        if (copied < 0 && errno == EINTR)
            continue;
        // Some file systems refuse, or copy nothing, before the first byte:
        // the plain loop then decides.
        if (done == 0
            && (copied == 0
                || (copied < 0
                    && (errno == EXDEV || errno == EINVAL || errno == ENOSYS
                        || errno == EOPNOTSUPP))))
            break;
        if (copied < 0)
            return Copied::failed;
        if (copied == 0)
            return Copied::sourceShrank;
        done += static_cast<std::uintmax_t>(copied);
        if (!points.reached(done))
            return Copied::cancelled;
    }
    if (done == size)
        return Copied::all;
#endif
    return copyBytes(from, to, size, points);
}

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
std::atomic<int> endingOnSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler uses it");

// Where the search for a free slot starts: after the last one taken, as a
// batch frees its slots in the order it took them. Used by one thread only.
std::size_t nextSlot = 0;

// The slot taken, or -1 when none is free or the name does not fit.
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

void removeStagingAndEnd(int signal)
{
    endingOnSignal.store(1);
    for (const StagingOnSignal &slot : stagingOnSignal)
        if (slot.armed.load())
            ::unlinkat(slot.folder, slot.name, 0);
    // SA_RESETHAND put the default action back; the signal stays blocked
    // until this returns and then ends the process as it would have.
    ::raise(signal);
}

// A folder that may be written but not listed can still take the copy.
#ifdef O_PATH
constexpr int folderAccess = O_PATH;
#else
constexpr int folderAccess = O_RDONLY;
#endif

int openListable(int folder)
{
    return ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// Only a plain file that no process holds locked, and only while the name
// still leads to the file locked here; a link or a FIFO is never followed.
void removeIfUnlocked(int folder, const std::string &name)
{
    FileDescriptor leftover(
        ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat locked {
    }, named{};
    if (leftover.get() < 0 || ::fstat(leftover.get(), &locked) != 0 || !S_ISREG(locked.st_mode)
        || ::flock(leftover.get(), LOCK_EX | LOCK_NB) != 0
        || ::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    if (named.st_dev == locked.st_dev && named.st_ino == locked.st_ino)
        ::unlinkat(folder, name.c_str(), 0);
}

} // namespace

StagingFolder::~StagingFolder()
{
    if (fd >= 0)
        ::close(fd);
}

bool StagingFolder::open(const fs::path &path, std::string &reason)
{
    fd = ::open(path.empty() ? "." : path.c_str(), folderAccess | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        reason
            = std::string("no file can be made in the destination folder: ") + std::strerror(errno);
        return false;
    }
    const long longestHere = ::fpathconf(fd, _PC_NAME_MAX);
    longest = longestHere > 0 && longestHere < NAME_MAX ? static_cast<std::size_t>(longestHere)
                                                        : NAME_MAX;
    struct stat status {
    };
    // Unknown, it is synced on its own.
    device = ::fstat(fd, &status) == 0 ? static_cast<std::uintmax_t>(status.st_dev)
                                       : reinterpret_cast<std::uintptr_t>(this);
    return true;
}

void StagingFolder::removeUnlocked(const std::vector<std::string> &leftovers) const
{
    for (const std::string &leftover : leftovers)
        removeIfUnlocked(fd, leftover);
}

void StagingFolder::sync() const
{
    // The copies are complete and in place; only their names' durability is
    // at stake, so a folder that cannot be synced is no failure.
    FileDescriptor listable(openListable(fd));
    if (listable.get() >= 0)
        ::fsync(listable.get());
}

StagingFile::StagingFile(std::shared_ptr<const StagingFolder> folder)
    : folder(std::move(folder)) { }

StagingFile::~StagingFile()
{
    if (file >= 0 && !renamed)
        ::unlinkat(folder->fd, name.c_str(), 0);
    if (signalSlot >= 0)
        disarmSignalCleanup(signalSlot);
    if (file >= 0)
        ::close(file);
}

bool StagingFile::copyFrom(const fs::path &from, const std::string &newName, std::string &reason,
                           const CopyProgress &progress)
{
    FileDescriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat sourceStatus {
    };
    if (source.get() < 0 || ::fstat(source.get(), &sourceStatus) != 0) {
        reason = std::string("the source cannot be read: ") + std::strerror(errno);
        return false;
    }
    if (!create(newName, sourceStatus.st_mode & 0777, reason))
        return false;
    errno = 0;
    const auto size = static_cast<std::uintmax_t>(sourceStatus.st_size);
    const Copied result = copyFile(source.get(), file, size, progress);
    reason = stoppedReason(result);
    if (!reason.empty())
        return false;
    if (result != Copied::all) {
        reason = std::strerror(errno);
        return false;
    }
    copied = size;
    return true;
}

bool StagingFile::create(const std::string &newName, unsigned permissions, std::string &reason)
{
    // Armed before the file exists, so that no moment goes uncovered.
    signalSlot = armSignalCleanup(folder->fd, newName);
    // Whatever the source's mode, the owner may read and write the copy.
    constexpr unsigned ownerReadsAndWrites = S_IRUSR | S_IWUSR;
    file = ::openat(folder->fd, newName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC,
                    permissions | ownerReadsAndWrites);
    if (file < 0) {
        reason
            = std::string("no file can be made in the destination folder: ") + std::strerror(errno);
        if (signalSlot >= 0)
            disarmSignalCleanup(signalSlot);
        signalSlot = -1;
        return false;
    }
    name = newName;
    // Held until the file is closed, however the process ends. Where the
    // file system has no locks, no other repair can take one either, so
    // none removes this file. A repair to the same destination that looks
    // in the instant before the lock may remove the file; this repair then
    // fails at the rename with its reason, and nothing else is lost.
    ::flock(file, LOCK_EX | LOCK_NB);
    // Made with its final permissions (the umask withholds from the copy what
    // it withholds from any new file) unless the owner is to lose some.
    chmodAtRename = (permissions & ownerReadsAndWrites) != ownerReadsAndWrites;
    if (chmodAtRename) {
        struct stat created {
        };
        finalPermissions
            = ::fstat(file, &created) == 0 ? created.st_mode & permissions : permissions;
    }
    return true;
}

std::FILE *StagingFile::openForUpdate()
{
    // A second descriptor of the same open file: closing it keeps the lock.
    // It stands where the copy ended; its callers read and write at offsets.
    const int duplicate = ::fcntl(file, F_DUPFD_CLOEXEC, 0);
    std::FILE *stream = duplicate >= 0 ? ::fdopen(duplicate, "r+b") : nullptr;
    if (!stream && duplicate >= 0)
        ::close(duplicate);
    return stream;
}

void StagingFile::startWriteBack()
{
#ifdef __linux__
    // A small copy waits for its batch's sync, which writes many at once:
    // sent alone, it costs more than the overlap gains.
    constexpr std::uintmax_t sentAloneFrom = 256 * 1024;
    // Failures surface in makeDurable's fsync.
    if (copied >= sentAloneFrom)
        ::sync_file_range(file, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

bool StagingFile::syncFileSystem()
{
#ifdef __linux__
    return ::syncfs(file) == 0;
#else
    return false;
#endif
}

bool StagingFile::makeDurable(std::string &reason, bool fileSystemSynced)
{
#ifdef __linux__
    // The data's write errors since this file was opened, without another flush.
    constexpr unsigned waitForAll
        = SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
    if (fileSystemSynced && ::sync_file_range(file, 0, 0, waitForAll) == 0)
        return true;
#else
    (void)fileSystemSynced;
#endif
    if (::fsync(file) == 0)
        return true;
    reason = std::strerror(errno);
    return false;
}

bool StagingFile::renameTo(const std::string &destinationName, std::string &reason)
{
    if (endingOnSignal.load()) {
        reason = "the program is ending";
        return false;
    }
    if ((chmodAtRename && ::fchmod(file, finalPermissions) != 0)
        || ::renameat(folder->fd, name.c_str(), folder->fd, destinationName.c_str()) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    renamed = true;
    if (signalSlot >= 0)
        disarmSignalCleanup(signalSlot);
    signalSlot = -1;
    return true;
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
