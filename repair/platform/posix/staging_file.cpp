#include "repair/platform/staging_file.h"

#include "repair/platform/posix/kernel_copy.h"
#include "repair/platform/posix/staging_on_signal.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace velmorant {

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

bool madeSince(const struct stat &file, const RunStart &run)
{
    return file.st_mtim.tv_sec > run.seconds
        || (file.st_mtim.tv_sec == run.seconds && file.st_mtim.tv_nsec > run.nanoseconds);
}

// Only a plain file that no process holds locked and that is older than the
// run, and only while the name still leads to the file locked here; a link
// or a FIFO is never followed.
void removeIfUnlocked(int folder, const std::string &name, const RunStart &run)
{
    FileDescriptor leftover(
        ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat locked {
    }, named{};
    if (leftover.get() < 0 || ::fstat(leftover.get(), &locked) != 0 || !S_ISREG(locked.st_mode)
        || madeSince(locked, run) || ::flock(leftover.get(), LOCK_EX | LOCK_NB) != 0
        || ::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    if (named.st_dev == locked.st_dev && named.st_ino == locked.st_ino)
        ::unlinkat(folder, name.c_str(), 0);
}

// A copy that mixes the bytes before a rewrite with those after it would
// pass every check and still be wrong.
bool changedSince(int source, const struct stat &before)
{
    struct stat after {
    };
    return ::fstat(source, &after) != 0 || after.st_size != before.st_size
        || after.st_mtim.tv_sec != before.st_mtim.tv_sec
        || after.st_mtim.tv_nsec != before.st_mtim.tv_nsec;
}

// A level of the destination tree, made in the open folder above it where
// missing. With O_DIRECTORY, a link is refused rather than opened itself.
int openOrMakeLevel(int at, const char *name)
{
    constexpr int flags = folderAccess | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    const int level = ::openat(at, name, flags);
    if (level >= 0 || errno != ENOENT)
        return level;
    if (::mkdirat(at, name, 0777) != 0 && errno != EEXIST)
        return -1;
    return ::openat(at, name, flags);
}

std::string openedPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

int createUnnamed(int folder, unsigned mode)
{
#ifdef O_TMPFILE
    return ::openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
#else
    (void)folder;
    (void)mode;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

// The lock is held until the file is closed, however the process ends, and
// taken before the file has a name where the system allows: made unnamed,
// locked, then named. Elsewhere the sweep's age rule covers the instant
// between. Where the file system has no locks, no other repair can take one
// either, so none removes this file.
int createLocked(int folder, const std::string &name, unsigned mode, bool &linksUnnamed)
{
    const int unnamed = createUnnamed(folder, mode);
    if (unnamed >= 0) {
        ::flock(unnamed, LOCK_EX | LOCK_NB);
        if (::linkat(AT_FDCWD, openedPath(unnamed).c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW)
            == 0) {
            linksUnnamed = true;
            return unnamed;
        }
        const int failure = errno;
        ::close(unnamed);
        errno = failure;
        if (failure == EEXIST)
            return -1;
    }
    const int file = ::openat(folder, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (file >= 0)
        ::flock(file, LOCK_EX | LOCK_NB);
    return file;
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
    learnFileSystem();
    return true;
}

bool StagingFolder::openBelow(const StagingFolder &root, const fs::path &relative,
                              std::string &reason)
{
    int at = ::fcntl(root.fd, F_DUPFD_CLOEXEC, 0);
    for (const fs::path &level : relative) {
        if (at < 0 || level == ".")
            continue;
        const int next = openOrMakeLevel(at, level.c_str());
        const int failure = errno;
        ::close(at);
        at = next;
        errno = failure;
    }
    if (at < 0) {
        reason = errno == ENOTDIR || errno == ELOOP
            ? "a folder on the way to the destination is a link or no folder; nothing is "
              "written through it"
            : std::string("no file can be made in the destination folder: ") + std::strerror(errno);
        return false;
    }
    fd = at;
    learnFileSystem();
    return true;
}

void StagingFolder::learnFileSystem()
{
    const long longestHere = ::fpathconf(fd, _PC_NAME_MAX);
    longest = longestHere > 0 && longestHere < NAME_MAX ? static_cast<std::size_t>(longestHere)
                                                        : NAME_MAX;
    struct stat status {
    };
    // Unknown, it is synced on its own.
    device = ::fstat(fd, &status) == 0 ? static_cast<std::uintmax_t>(status.st_dev)
                                       : reinterpret_cast<std::uintptr_t>(this);
}

RunStart RunStart::now()
{
    // Files are stamped by a clock that may lag this one by a tick, never
    // lead it: a leftover of a run killed a moment ago is never taken for a
    // new file. A file made in the tick the run began may be; only where
    // files cannot be made locked does that leave an instant uncovered.
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return {static_cast<std::int64_t>(now.tv_sec), now.tv_nsec};
}

void StagingFolder::removeUnlocked(const std::vector<std::string> &leftovers,
                                   const RunStart &run) const
{
    for (const std::string &leftover : leftovers)
        removeIfUnlocked(fd, leftover, run);
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
    if (file >= 0 && !renamed && !unnamed)
        ::unlinkat(folder->fd, name.c_str(), 0);
    if (signalSlot >= 0)
        disarmSignalCleanup(signalSlot);
    if (file >= 0)
        ::close(file);
}

bool StagingFile::copyFrom(const fs::path &from, const std::string &newName, std::string &reason,
                           const CopyProgress &progress)
{
    // Not blocking, and judged by what was opened: a source swapped for a
    // FIFO after its check would otherwise wait for a writer for ever.
    FileDescriptor source(::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat sourceStatus {
    };
    if (source.get() < 0 || ::fstat(source.get(), &sourceStatus) != 0) {
        reason = std::string("the source cannot be read: ") + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(sourceStatus.st_mode)) {
        reason = "the source is no longer a regular file";
        return false;
    }
    ::fcntl(source.get(), F_SETFL, 0);
    if (!create(newName, sourceStatus.st_mode & 0777, reason))
        return false;
    errno = 0;
    const auto size = static_cast<std::uintmax_t>(sourceStatus.st_size);
    Copied result = copyFile(source.get(), file, size, progress);
    if (result == Copied::all && changedSince(source.get(), sourceStatus))
        result = Copied::sourceChanged;
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
    // Whatever the source's mode, the owner may read and write the copy.
    constexpr unsigned ownerReadsAndWrites = S_IRUSR | S_IWUSR;
    const unsigned mode = permissions | ownerReadsAndWrites;
    // Once one unnamed file has been linked in the folder, later ones stay
    // unnamed until complete: a run that dies leaves nothing of them, and
    // each gets its final name in one step instead of a link and a rename.
    if (folder->linksUnnamed) {
        file = createUnnamed(folder->fd, mode);
        unnamed = file >= 0;
    }
    if (!unnamed) {
        // Armed before the file exists, so that no moment goes uncovered.
        signalSlot = armSignalCleanup(folder->fd, newName);
        file = createLocked(folder->fd, newName, mode, folder->linksUnnamed);
    }
    if (file < 0) {
        reason
            = std::string("no file can be made in the destination folder: ") + std::strerror(errno);
        if (signalSlot >= 0)
            disarmSignalCleanup(signalSlot);
        signalSlot = -1;
        return false;
    }
    name = newName;
    // Made with its final permissions (the umask withholds from the copy what
    // it withholds from any new file) unless the owner is to lose some.
    chmodAtRename
        = privateUntilRenamed || (permissions & ownerReadsAndWrites) != ownerReadsAndWrites;
    if (chmodAtRename) {
        struct stat created {
        };
        finalPermissions
            = ::fstat(file, &created) == 0 ? created.st_mode & permissions : permissions;
    }
    // Still empty: no byte of the source was readable by others.
    if (privateUntilRenamed && ::fchmod(file, ownerReadsAndWrites) != 0) {
        reason = std::string("the staging file cannot be made private: ") + std::strerror(errno);
        return false;
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
    // ext4 places a file of more than 16 blocks that is still open for
    // writing after the last such file it placed, and one that is not near
    // its folder, in space freed before: held open read-only, a run's copies
    // reuse the space of earlier ones as cp's do, instead of moving on into
    // space never written (which a thinly provisioned disk, or a loop
    // device's sparse image, must first allocate).
    constexpr std::uintmax_t placedAsStream = 64 * 1024;
    if (unnamed && copied > placedAsStream)
        holdReadOnly();
#ifdef __linux__
    // A small copy waits for its batch's sync, which writes many at once:
    // sent alone, it costs more than the overlap gains.
    constexpr std::uintmax_t sentAloneFrom = 256 * 1024;
    // Failures surface in makeDurable's fsync.
    if (copied >= sentAloneFrom)
        ::sync_file_range(file, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

// Once nothing is written to the copy any more; a named copy keeps the
// descriptor its lock is on.
void StagingFile::holdReadOnly()
{
    const int readOnly = ::open(openedPath(file).c_str(), O_RDONLY | O_CLOEXEC);
    if (readOnly < 0)
        return;
    ::close(file);
    file = readOnly;
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
    if (endingOnSignal()) {
        reason = "the program is ending";
        return false;
    }
    if ((chmodAtRename && ::fchmod(file, finalPermissions) != 0)
        || !(unnamed ? linkTo(destinationName) : renameAt(destinationName))) {
        reason = std::strerror(errno);
        return false;
    }
    renamed = true;
    if (signalSlot >= 0)
        disarmSignalCleanup(signalSlot);
    signalSlot = -1;
    return true;
}

bool StagingFile::renameAt(const std::string &destinationName)
{
    return ::renameat(folder->fd, name.c_str(), folder->fd, destinationName.c_str()) == 0;
}

// A file already there is replaced as a rename replaces it: the copy is
// named first, so that a signal in between removes it.
bool StagingFile::linkTo(const std::string &destinationName)
{
    const std::string opened = openedPath(file);
    if (::linkat(AT_FDCWD, opened.c_str(), folder->fd, destinationName.c_str(), AT_SYMLINK_FOLLOW)
        == 0)
        return true;
    if (errno != EEXIST)
        return false;
    signalSlot = armSignalCleanup(folder->fd, name);
    if (::linkat(AT_FDCWD, opened.c_str(), folder->fd, name.c_str(), AT_SYMLINK_FOLLOW) != 0)
        return false;
    unnamed = false;
    return renameAt(destinationName);
}

} // namespace velmorant
