#pragma once

#include "file_system.h"

#include <filesystem>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace velmorant {

// The staging files found in the destination folders of one run, each
// folder listed once however many files go there: listing it for every
// file would make a run's cost grow with the square of its files.
class LeftoverSweep
{
public:
    // The staging names of the folder, as listed the first time it was asked
    // for, that `belongs` accepts; each is handed out once.
    std::vector<std::string> take(const std::filesystem::path &folder,
                                  const std::function<bool(const std::string &)> &belongs);

private:
    std::map<std::filesystem::path, std::vector<std::string>> listed;
};

// A copy of the source under a temporary name in the destination's folder.
// It becomes the destination only by commit(), one rename, so that a failure
// at any step leaves an earlier destination byte for byte as it was; an
// uncommitted copy is removed when this object goes. Copies that earlier
// repairs to the same destination left behind (a process killed outright, a
// power cut) are removed first, unless a running repair still writes them.
class StagedCopy
{
public:
    StagedCopy(const std::filesystem::path &destination, LeftoverSweep &sweep);

    bool copyFrom(const std::filesystem::path &source, std::string &reason,
                  const CopyProgress &progress = {});
    std::uintmax_t size() const { return staging.size(); }
    // A stream on the copy, for the caller to close; null on failure.
    std::FILE *openForUpdate() { return staging.openForUpdate(); }
    void startWriteBack() { staging.startWriteBack(); }
    // The copy's bytes on disk, then the rename; the folder's names are put
    // on disk by syncFolder, once for many commits.
    bool commit(std::string &reason, bool fileSystemSynced = false);
    bool syncFileSystem() { return staging.syncFileSystem(); }
    void syncFolder() const { staging.syncFolder(); }
    std::filesystem::path folder() const { return destination.parent_path(); }

private:
    std::filesystem::path destination;
    LeftoverSweep &sweep;
    StagingFile staging;
};

} // namespace velmorant
