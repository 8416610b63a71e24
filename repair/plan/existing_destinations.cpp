#include "repair/plan/existing_destinations.h"

#include "repair/platform/file_names.h"

#include <filesystem>

#include <stdexcept>

namespace fs = std::filesystem;

namespace velmorant {

namespace {

bool isThere(const std::string &pathUtf8)
{
    try {
        std::error_code error;
        return fs::exists(fs::symlink_status(toFsPath(pathUtf8), error));
    } catch (const std::range_error &) {
        return false; // the repair gives the reason
    }
}

} // namespace

DestinationSplit splitByDestination(const std::vector<RepairJob> &jobs)
{
    DestinationSplit split;
    for (const RepairJob &job : jobs)
        (isThere(job.destination) ? split.existing : split.missing).push_back(job);
    return split;
}

} // namespace velmorant
