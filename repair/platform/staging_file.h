#pragma once

#include "repair/copy/copy_progress.h"

#include <filesystem>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace velmorant {

// When a run began, by the clock the file system stamps new files with, so
// that its sweep can tell another run's new staging file from a leftover.
struct RunStart {
    static RunStart now();
    std::int64_t seconds = 0;
    long nanoseconds = 0;
};

// A destination folder, opened once for every staging file of a batch that
// goes there. Names are reached through the open folder, so a path near
// PATH_MAX still works although the temporary name is the longer.
class StagingFolder
{
public:
    StagingFolder() = default;
    ~StagingFolder();
    StagingFolder(const StagingFolder &) = delete;
    StagingFolder &operator=(const StagingFolder &) = delete;

    bool open(const std::filesystem::path &folder, std::string &reason);
    // A folder below `root`, reached one level at a time from the open root
    // without following a link, and each missing level made on the way: a
    // link fails with the reason, so that nothing is written through it.
    bool openBelow(const StagingFolder &root, const std::filesystem::path &relative,
                   std::string &reason);
    // The longest file name the folder's file system takes.
    std::size_t longestName() const { return longest; }
    // Tells the folder's file system from others, so that each is synced once.
    std::uintmax_t fileSystem() const { return device; }
    // Removes these files of the folder, unless a process holds them locked
    // or they were made since the run began.
    void removeUnlocked(const std::vector<std::string> &leftovers, const RunStart &run) const;
    // Puts the names of the folder, new ones among them, on disk.
    void sync() const;

private:
    friend class StagingFile;
    void learnFileSystem();
#ifdef _WIN32
    std::filesystem::path path;
#else
    int fd = -1;
    // Learnt from the folder's first staging file; only staging files are
    // made meanwhile, on one thread.
    mutable bool linksUnnamed = false;
#endif
    std::size_t longest = 255;
    std::uintmax_t device = 0;
};

// A copy of a file under a temporary name in a folder, which becomes another
// name of that folder only when complete and on disk; where the system can
// name an unnamed file later (Linux), it has no name at all until then. The
// copy stays open, readable and writable whatever permissions it is to end
// with, and a named one locked (flock) while this object lives, so that a
// repair that finds it can tell a copy still being written from one left by
// a process that died (on Windows: open without sharing the right to delete
// it). A signal that ends the process removes a named one first (see
// signal_cleanup.h). Goes with this object unless renamed.
class StagingFile
{
public:
    explicit StagingFile(std::shared_ptr<const StagingFolder> folder);
    ~StagingFile();
    StagingFile(const StagingFile &) = delete;
    StagingFile &operator=(const StagingFile &) = delete;

    // Makes the file under a name not in use yet and copies the source's
    // bytes into it, also across file systems. Fails if the source ends
    // early or progress says to stop.
    bool copyFrom(const std::filesystem::path &source, const std::string &name, std::string &reason,
                  const CopyProgress &progress = {});
    std::uintmax_t size() const { return copied; }
    // Readable by its owner alone until renamed: it holds the source's
    // header before that is cleared of the patient (POSIX; before copyFrom).
    void keepPrivateUntilRenamed() { privateUntilRenamed = true; }
    // A stream on the copy, for the caller to close, standing anywhere: it
    // is read and written at offsets, or after a seek. Null on failure.
    std::FILE *openForUpdate();
    // Has the system start writing the copy to disk, and not wait for it, so
    // that the writes of many copies overlap. Nothing is written to the copy
    // after it: it may be held read-only from then on.
    void startWriteBack();
    // Puts everything written to the copy's file system on disk at once, as
    // `sync -f` does: one flush of the disk's cache for a batch of copies,
    // where each copy's own fsync would flush it again. False where the
    // system cannot, or failed.
    bool syncFileSystem();
    // Waits until the copy's bytes are on disk, and reports the copy's own
    // write errors; only then may it be renamed. After syncFileSystem it only
    // waits for what is left.
    bool makeDurable(std::string &reason, bool fileSystemSynced = false);
    // Gives the copy the source's permission bits (less the umask's) and the
    // new name, replacing what had that name.
    bool renameTo(const std::string &name, std::string &reason);

private:
    bool create(const std::string &newName, unsigned permissions, std::string &reason);
#ifndef _WIN32
    bool renameAt(const std::string &destinationName);
    bool linkTo(const std::string &destinationName);
    void holdReadOnly();
#endif

    // Held, so that the folder stays open while the signal handler may use it.
    std::shared_ptr<const StagingFolder> folder;
#ifdef _WIN32
    void *file = nullptr; // a HANDLE with the right to rename and delete the file
#else
    int file = -1;
#endif
    std::string name;
    std::uintmax_t copied = 0;
    unsigned finalPermissions = 0;
#ifdef _WIN32
    bool armed = false; // the signal handler knows this file
#else
    bool chmodAtRename = false; // made with more permissions than it ends with
    bool unnamed = false; // nothing to remove, until linked under a name
    int signalSlot = -1; // where the signal handler knows this file
#endif
    bool renamed = false;
    bool privateUntilRenamed = false;
};

} // namespace velmorant
