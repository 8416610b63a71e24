#pragma once

#include "copy_progress.h"

#include <boost/filesystem/path.hpp>

#include <string>

namespace velmorant {

// A copy of the source under a temporary name in the destination's folder.
// It becomes the destination only by commit(), one rename, so that a failure
// at any step leaves an earlier destination byte for byte as it was; an
// uncommitted copy is removed when this object goes.
class StagedCopy
{
public:
    explicit StagedCopy(const boost::filesystem::path &destination);
    ~StagedCopy();
    StagedCopy(const StagedCopy &) = delete;
    StagedCopy &operator=(const StagedCopy &) = delete;

    bool copyFrom(const boost::filesystem::path &source, std::string &reason,
                  const CopyProgress &progress = {});
    bool commit(std::string &reason);
    const boost::filesystem::path &path() const { return staged; }

private:
    boost::filesystem::path destination;
    boost::filesystem::path staged;
    bool committed = false;
};

} // namespace velmorant
