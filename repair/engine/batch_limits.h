#pragma once

#include <cstddef>
#include <cstdint>

namespace velmorant {

// Where a run's batches end: at 64 MiB, so that a cancel or a failure waits
// for little; at 8,192 field changes, which wait in memory to be reported and
// run to hundreds a file for recordings of many signals; and at half of the
// staging files the process may hold at once. Each is half of what one batch
// at a time could take, as two batches may be open at once.
class BatchLimits
{
public:
    explicit BatchLimits(std::size_t stagingFilesAtOnce);

    // Counts one more staged file; true when the batch ends with it, and the
    // next file begins another.
    bool endsWith(std::uintmax_t bytes, std::size_t changes);
    std::size_t mostFiles() const { return filesAtOnce; }

private:
    std::size_t filesAtOnce;
    std::size_t files = 0;
    std::uintmax_t bytes = 0;
    std::size_t changes = 0;
};

} // namespace velmorant
