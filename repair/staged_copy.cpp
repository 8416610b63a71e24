#include "staged_copy.h"

#include "file_system.h"

#include <boost/filesystem/operations.hpp>

namespace fs = boost::filesystem;

namespace velmorant {

namespace {

fs::path stagingName(const fs::path &destination)
{
    const fs::path name
        = fs::unique_path("." + destination.filename().string() + ".%%%%%%%%.velmorant-part");
    return destination.parent_path() / name;
}

} // namespace

StagedCopy::StagedCopy(const fs::path &destination)
    : destination(destination), staged(stagingName(destination))
{ }

StagedCopy::~StagedCopy()
{
    if (committed)
        return;
    boost::system::error_code ignored;
    fs::remove(staged, ignored);
}

bool StagedCopy::copyFrom(const fs::path &source, std::string &reason, const CopyProgress &progress)
{
    // Never overwrite: the staging name is ours alone. Not Boost's copy_file:
    // 1.74 loops forever on a source that shrinks while it is copied, and
    // gives up across file systems.
    if (!copyContents(source, staged, reason, progress))
        return false;
    // A read-only recording gives a read-only copy, which we must still patch.
    boost::system::error_code error;
    fs::permissions(staged, fs::perms::add_perms | fs::perms::owner_write, error);
    if (error)
        reason = error.message();
    return !error;
}

bool StagedCopy::commit(std::string &reason)
{
    boost::system::error_code error;
    fs::rename(staged, destination, error);
    committed = !error;
    if (error) {
        reason = error.message();
        return false;
    }
    // The copy is complete and in place; only its name's durability is at stake.
    syncFolder(destination.parent_path());
    return true;
}

} // namespace velmorant
