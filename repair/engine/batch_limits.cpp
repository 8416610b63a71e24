#include "repair/engine/batch_limits.h"

#include <algorithm>

namespace velmorant {

namespace {

constexpr std::uintmax_t batchBytes = std::uintmax_t(64) << 20;
constexpr std::size_t batchChanges = 8192;

} // namespace

BatchLimits::BatchLimits(std::size_t stagingFilesAtOnce)
    : filesAtOnce(std::max<std::size_t>(1, stagingFilesAtOnce / 2))
{ }

bool BatchLimits::endsWith(std::uintmax_t fileBytes, std::size_t fileChanges)
{
    ++files;
    bytes += fileBytes;
    changes += fileChanges;
    if (files < filesAtOnce && bytes < batchBytes && changes < batchChanges)
        return false;
    files = 0;
    bytes = 0;
    changes = 0;
    return true;
}

} // namespace velmorant
