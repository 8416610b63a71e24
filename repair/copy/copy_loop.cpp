#include "repair/copy/copy_loop.h"

#include <algorithm>
#include <memory>
#include <new>

namespace velmorant {

std::string stoppedReason(Copied result)
{
    switch (result) {
    case Copied::cancelled:
        return "stopped on request";
    case Copied::sourceShrank:
        return "the source got shorter while it was copied";
    case Copied::sourceChanged:
        return "the source changed while it was copied";
    default:
        return {};
    }
}

ProgressPoints::ProgressPoints(const CopyProgress &progress, std::uintmax_t total,
                               WriteBehind writeBehind)
    : progress(progress), total(total), writeBehind(std::move(writeBehind))
{ }

bool ProgressPoints::reached(std::uintmax_t copied)
{
    if (copied < next && copied < total)
        return true;
    next = copied + reportEvery;
    // The last stretch waits for the repair, which starts the whole copy's
    // write-back once the header is patched: a small copy is sent once.
    if (writeBehind && copied < total)
        writeBehind(copied);
    return !progress || progress(copied, total);
}

Copied copyInBlocks(const ReadSome &read, const WriteAll &write, std::uintmax_t size,
                    ProgressPoints &points)
{
    // cp's size, page-aligned: reads into a block that malloc places 16
    // bytes past a page boundary cost the kernel far more time.
    constexpr std::size_t bufferSize = 1 << 17, pageSize = 4096;
    const std::unique_ptr<char[]> storage(new (std::nothrow) char[bufferSize + pageSize]);
    if (!storage)
        return Copied::failed;
    void *aligned = storage.get();
    std::size_t space = bufferSize + pageSize;
    char *const buffer = static_cast<char *>(std::align(pageSize, bufferSize, aligned, space));
    for (std::uintmax_t done = 0; done < size;) {
        const auto wanted
            = static_cast<std::size_t>(std::min<std::uintmax_t>(bufferSize, size - done));
        const long long got = read(buffer, wanted);
        if (got < 0)
            return Copied::failed;
        if (got == 0)
            return Copied::sourceShrank;
        if (!write(buffer, static_cast<std::size_t>(got)))
            return Copied::failed;
        done += static_cast<std::uintmax_t>(got);
        if (!points.reached(done))
            return Copied::cancelled;
    }
    return Copied::all;
}

} // namespace velmorant
