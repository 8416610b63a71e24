#pragma once

#include "repair/platform/staging_file.h"
#include "repair/staging/unique_name.h"

#include <filesystem>

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace velmorant {

// What the staging files of one run share: each destination folder listed
// once however many files go there (listing it for every file would make a
// run's cost grow with the square of its files) and opened once a batch, and
// one source of random names.
class StagingRun
{
public:
    // The folder, opened the first time this batch asks for it; null, with
    // the reason, where it cannot be.
    std::shared_ptr<const StagingFolder> folder(const std::filesystem::path &path,
                                                std::string &reason);
    // The folder the user named as the destination, opened once for the
    // whole run: folders below it are reached from it without following a
    // link, so that neither a link there nor the root's path swapped for one
    // mid-run sends a copy elsewhere.
    void openRoot(const std::filesystem::path &root);
    // The staging names of the folder, as listed the first time it was asked
    // for, that `belongs` accepts; each is handed out once.
    std::vector<std::string> takeLeftovers(const std::filesystem::path &folder,
                                           const std::function<bool(const std::string &)> &belongs);
    std::string randomName(std::string pattern) { return names(std::move(pattern)); }
    // Lets the batch's folders close once their copies are gone: a run over
    // thousands of folders must not hold them all open.
    void endBatch() { opened.clear(); }

    const RunStart started = RunStart::now();

private:
    // The path relative to the root, or empty if it is not below it.
    std::filesystem::path belowRoot(const std::filesystem::path &path) const;

    std::map<std::filesystem::path, std::vector<std::string>> listed;
    std::map<std::filesystem::path, std::shared_ptr<const StagingFolder>> opened;
    std::filesystem::path rootPath;
    std::unique_ptr<StagingFolder> root;
    UniqueNames names;
};

// A copy of the source under a temporary name, or none, in the destination's
// folder. It becomes the destination only by commit(), one rename or link,
// so that a failure at any step leaves an earlier destination byte for byte
// as it was; an uncommitted copy is removed when this object goes. Copies
// that earlier repairs to the same destination left behind (a process killed
// outright, a power cut) are removed first, unless a running repair still
// writes them.
class StagedCopy
{
public:
    StagedCopy(const std::filesystem::path &destination, StagingRun &run);

    bool copyFrom(const std::filesystem::path &source, std::string &reason,
                  const CopyProgress &progress = {});
    // Before copyFrom: the staging file readable by its owner alone until the commit.
    void keepPrivate() { privateCopy = true; }
    std::uintmax_t size() const { return staging ? staging->size() : 0; }
    // A stream on the copy, for the caller to close (see StagingFile).
    std::FILE *openForUpdate() { return staging->openForUpdate(); }
    void startWriteBack() { staging->startWriteBack(); }
    // The copy's bytes on disk, then the rename; the folder's names are put
    // on disk by folder().sync(), once for many commits.
    bool commit(std::string &reason, bool fileSystemSynced = false);
    bool syncFileSystem() { return staging->syncFileSystem(); }
    // The folder it is staged in, once copyFrom has opened it.
    const StagingFolder &folder() const { return *folderOpened; }

private:
    std::filesystem::path destination;
    StagingRun &run;
    std::shared_ptr<const StagingFolder> folderOpened;
    std::unique_ptr<StagingFile> staging;
    bool privateCopy = false;
};

} // namespace velmorant
