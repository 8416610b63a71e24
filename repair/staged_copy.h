#pragma once

#include "file_system.h"

#include <boost/filesystem/path.hpp>

#include <cstdint>
#include <cstdio>
#include <string>

namespace velmorant {

// A copy of the source under a temporary name in the destination's folder.
// It becomes the destination only by commit(), one rename, so that a failure
// at any step leaves an earlier destination byte for byte as it was; an
// uncommitted copy is removed when this object goes. Copies that earlier
// repairs to the same destination left behind (a process killed outright, a
// power cut) are removed first, unless a running repair still writes them.
class StagedCopy
{
public:
    explicit StagedCopy(const boost::filesystem::path &destination);

    bool copyFrom(const boost::filesystem::path &source, std::string &reason,
                  const CopyProgress &progress = {});
    std::uintmax_t size() const { return staging.size(); }
    // A stream on the copy, for the caller to close; null on failure.
    std::FILE *openForUpdate() { return staging.openForUpdate(); }
    bool commit(std::string &reason);

private:
    boost::filesystem::path destination;
    StagingFile staging;
};

} // namespace velmorant
