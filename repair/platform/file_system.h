#pragma once

#include "repair/engine/copy_progress.h"

#include <filesystem>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velmorant {

// Everything that differs between platforms lives behind this header, in
// file_system_posix.cpp and file_system_windows.cpp. Paths reach the repair
// as UTF-8 text; where the platform names files in UTF-16 the text is
// decoded strictly, so a malformed name can never open some other file.

std::filesystem::path toFsPath(const std::string &utf8);

// Opens an existing file for reading in binary mode; null on failure.
std::FILE *openForReading(const std::filesystem::path &path);

// Reads up to size bytes at offset, after what the stream holds has been
// written, also past 2 GiB, and says how many it got: fewer at the end of the
// file or on an error (errno says which). Where the system has no positioned
// read, moves the stream.
std::size_t readAt(std::FILE *file, std::uintmax_t offset, char *data, std::size_t size);

// Writes size bytes at offset after what the stream holds, also past 2 GiB;
// false on a short write (errno says why).
bool writeAt(std::FILE *file, std::uintmax_t offset, const char *data, std::size_t size);

#ifndef _WIN32
// Writes all of the bytes to the descriptor, past interruptions by signals;
// false on a write that fails (errno says why) or writes nothing.
bool writeAll(int fd, const char *data, std::size_t size);
#endif

// Flushes the stream and cuts its file to size bytes.
bool truncateFile(std::FILE *file, std::uintmax_t size);

// True where the file name is one the system keeps for a device in every
// folder (on Windows NUL, CON, COM1, "nul.edf", ...); never elsewhere.
bool namesDevice(const std::filesystem::path &path);

// True when the process's standard error goes to a terminal, where a line
// can be drawn and drawn over.
bool stderrIsTerminal();

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
    // The longest file name the folder's file system takes.
    std::size_t longestName() const { return longest; }
    // Tells the folder's file system from others, so that each is synced once.
    std::uintmax_t fileSystem() const { return device; }
    // Removes these files of the folder, unless a process holds them locked.
    void removeUnlocked(const std::vector<std::string> &leftovers) const;
    // Puts the names of the folder, new ones among them, on disk.
    void sync() const;

private:
    friend class StagingFile;
#ifdef _WIN32
    std::filesystem::path path;
#else
    int fd = -1;
#endif
    std::size_t longest = 255;
    std::uintmax_t device = 0;
};

// A copy of a file under a temporary name in a folder, which becomes another
// name of that folder only when complete and on disk. The copy stays open,
// readable and writable whatever permissions it is to end with, and locked
// (flock) while this object lives, so that a repair that finds it can tell a
// copy still being written from one left by a process that died (on Windows:
// open without sharing the right to delete it). A signal that ends the
// process removes it first (see installSignalHandlers). Goes with this object
// unless renamed.
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
    // A stream on the copy, for the caller to close, standing anywhere: it
    // is read and written at offsets, or after a seek. Null on failure.
    std::FILE *openForUpdate();
    // Has the system start writing the copy to disk, and not wait for it, so
    // that the writes of many copies overlap.
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
    int signalSlot = -1; // where the signal handler knows this file
#endif
    bool renamed = false;
};

// How many staging files may be open at once: a signal still removes every
// one of them, and they and their folders leave the process descriptors.
std::size_t stagingFilesAtOnce();

// For a thread that commits copies while another stages more: the signals
// that end the process are handled on the other, whose handler then keeps
// this one from renaming any further copy.
void leaveEndingSignalsToOtherThreads();

// For the programs' main: a SIGINT, SIGTERM, SIGHUP or SIGPIPE (on Windows:
// Ctrl+C, Ctrl+Break, closing the console, logging off) removes the
// staging file being written, then ends the process as the signal would
// have; one that was ignored at start stays ignored. SIGXFSZ is ignored, so
// that a file-size limit is a write that fails with its reason.
void installSignalHandlers();

// True for any existing object, folder or not; an unreadable status counts as absent.
bool pathExists(const std::string &utf8);

// Why a folder cannot be listed ("Permission denied"); empty when it can be,
// or when the text names no folder at all.
std::string listingError(const std::string &utf8);

} // namespace velmorant
