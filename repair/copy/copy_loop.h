#pragma once

#include "repair/copy/copy_progress.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace velmorant {

// How a copy of exactly a known number of bytes ended: a source that shrinks
// while it is copied must not end as a short copy, nor keep the copy waiting
// for bytes forever; one whose size or modification time moved meanwhile
// must not end as a copy of old and new bytes mixed.
enum class Copied { all, sourceShrank, sourceChanged, cancelled, failed };

// The words for a copy that stopped although nothing failed; empty otherwise.
std::string stoppedReason(Copied result);

// Small enough to report a long copy often, large enough that a copy-on-write
// file system still clones a file of many GiB in a few milliseconds.
constexpr std::uintmax_t reportEvery = std::uintmax_t(32) << 20;

// Every reportEvery bytes and at the end of a copy: hands the platform the
// bytes copied so far (but for the end), so that it can start writing them to
// disk, then tells the progress; false once the copy is to stop.
class ProgressPoints
{
public:
    using WriteBehind = std::function<void(std::uintmax_t copied)>;

    ProgressPoints(const CopyProgress &progress, std::uintmax_t total,
                   WriteBehind writeBehind = {});

    bool reached(std::uintmax_t copied);

private:
    const CopyProgress &progress;
    std::uintmax_t total;
    WriteBehind writeBehind;
    std::uintmax_t next = reportEvery;
};

// Reads up to `size` bytes: how many it got, 0 at the end of the file, or a
// negative number when the read failed.
using ReadSome = std::function<long long(char *buffer, std::size_t size)>;
// Writes all of the bytes, or fails.
using WriteAll = std::function<bool(const char *data, std::size_t size)>;

// Copies `size` bytes through a buffer of our own, from where the source's
// position stands to where the target's stands.
Copied copyInBlocks(const ReadSome &read, const WriteAll &write, std::uintmax_t size,
                    ProgressPoints &points);

} // namespace velmorant
