#include "staged_copy.h"

#include <boost/filesystem/operations.hpp>

namespace fs = boost::filesystem;

namespace velmorant {

namespace {

// A staging name is "." + the part borrowed from the destination's name +
// "." + 8 random hex digits + this suffix.
const std::string suffix = ".velmorant-part";
constexpr std::size_t randomDigits = 8;

} // namespace

StagedCopy::StagedCopy(const fs::path &destination) : destination(destination) { }

bool StagedCopy::copyFrom(const fs::path &source, std::string &reason)
{
    if (!staging.openFolder(destination.parent_path(), reason))
        return false;
    const std::string prefix = "." + destination.filename().string() + ".";
    const std::string random = fs::unique_path(std::string(randomDigits, '%')).string();
    // Never an existing file: the staging name is ours alone. Not Boost's
    // copy_file: 1.74 loops forever on a source that shrinks while it is
    // copied, and gives up across file systems.
    return staging.copyFrom(source, prefix + random + suffix, reason);
}

bool StagedCopy::commit(std::string &reason)
{
    return staging.renameTo(destination.filename().string(), reason);
}

} // namespace velmorant
