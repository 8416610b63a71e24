#include "repair/platform/posix/kernel_copy.h"

#include "repair/platform/positioned_io.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace velmorant {

namespace {

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

} // namespace

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

} // namespace velmorant
