#include "repair/engine/batch_limits.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace velmorant;

namespace {

constexpr std::uintmax_t mib = std::uintmax_t(1) << 20;

struct BatchCase {
    const char *name;
    std::size_t stagingFilesAtOnce;
    std::vector<std::pair<std::uintmax_t, std::size_t>> files; // bytes, changed fields
    std::vector<std::size_t> lastOfEachBatch;
};

} // namespace

// Where a run's batches end, for files of the given sizes and changes.
TEST(BatchLimits, EndABatchAtHalfTheStagingFilesAt64MiBOrAt8192Changes)
{
    const std::vector<BatchCase> cases = {
        {"half the staging files", 8, {{1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}}, {3}},
        {"one staging file, one file a batch", 1, {{1, 0}, {1, 0}}, {0, 1}},
        {"64 MiB", 1024, {{32 * mib, 0}, {32 * mib - 1, 0}, {1, 0}, {64 * mib, 0}, {1, 0}}, {2, 3}},
        {"8192 changes", 1024, {{0, 4096}, {0, 4095}, {0, 1}, {0, 8192}, {0, 1}}, {2, 3}},
        {"a failed file counts", 4, {{0, 0}, {0, 0}, {1, 0}}, {1}},
    };
    for (const BatchCase &c : cases) {
        SCOPED_TRACE(c.name);
        BatchLimits limits(c.stagingFilesAtOnce);
        std::vector<std::size_t> ends;
        for (std::size_t i = 0; i < c.files.size(); ++i)
            if (limits.endsWith(c.files[i].first, c.files[i].second))
                ends.push_back(i);
        EXPECT_EQ(ends, c.lastOfEachBatch);
    }
}
