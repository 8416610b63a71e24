#pragma once

#include "file_system.h"

#include <filesystem>

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
    explicit StagedCopy(const std::filesystem::path &destination);

    bool copyFrom(const std::filesystem::path &source, std::string &reason,
                  const CopyProgress &progress = {});
    std::uintmax_t size() const { return staging.size(); }
    // A stream on the copy, for the caller to close; null on failure.
    std::FILE *openForUpdate() { return staging.openForUpdate(); }
    bool commit(std::string &reason);

private:
    std::filesystem::path destination;
    StagingFile staging;
};

} // namespace velmorant
