#pragma once

#include "copy_progress.h"

#include <filesystem>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace velmorant {

// Everything that differs between platforms lives behind this header, in
// file_system_posix.cpp and file_system_windows.cpp. Paths reach the repair
// as UTF-8 text; where the platform names files in UTF-16 the text is
// decoded strictly, so a malformed name can never open some other file.

std::filesystem::path toFsPath(const std::string &utf8);

// Opens an existing file for reading in binary mode; null on failure.
std::FILE *openForReading(const std::filesystem::path &path);

// Flushes the stream and asks the system to put the file's data on disk.
bool flushToDisk(std::FILE *file);

// Flushes the stream and cuts its file to size bytes.
bool truncateFile(std::FILE *file, std::uintmax_t size);

// True where the file name is one the system keeps for a device in every
// folder (on Windows NUL, CON, COM1, "nul.edf", ...); never elsewhere.
bool namesDevice(const std::filesystem::path &path);

// True when the process's standard error goes to a terminal, where a line
// can be drawn and drawn over.
bool stderrIsTerminal();

// A copy of a file under a temporary name in a folder, which becomes another
// name of that folder only when complete. Names are reached through the open
// folder, so a path near PATH_MAX still works although the temporary name is
// the longer. The copy stays open, readable and writable whatever permissions
// it is to end with, and locked (flock) while this object lives, so that a
// repair that finds it can tell a copy still being written from one left by a
// process that died (on Windows: open without sharing the right to delete
// it). A signal that ends the process removes it first (see
// installSignalHandlers). Goes with this object unless renamed.
class StagingFile
{
public:
    StagingFile() = default;
    ~StagingFile();
    StagingFile(const StagingFile &) = delete;
    StagingFile &operator=(const StagingFile &) = delete;

    bool openFolder(const std::filesystem::path &folder, std::string &reason);
    // The longest file name the folder's file system takes.
    std::size_t longestName() const;
    // Removes the files named so that isLeftover accepts them, unless a
    // process holds them locked.
    void removeUnlocked(const std::function<bool(const std::string &)> &isLeftover);
    // Makes the file under a name not in use yet and copies the source's
    // bytes into it, on disk, also across file systems. Fails if the source
    // ends early or progress says to stop.
    bool copyFrom(const std::filesystem::path &source, const std::string &name, std::string &reason,
                  const CopyProgress &progress = {});
    std::uintmax_t size() const { return copied; }
    // A stream on the copy, for the caller to close; null on failure.
    std::FILE *openForUpdate();
    // Gives the copy the source's permission bits (less the umask's) and the
    // new name, replacing what had that name, and puts the name on disk.
    bool renameTo(const std::string &name, std::string &reason);

private:
    bool create(const std::string &newName, unsigned permissions, std::string &reason);

#ifdef _WIN32
    std::filesystem::path folderPath;
    void *file = nullptr; // a HANDLE with the right to rename and delete the file
#else
    int folder = -1; // where names are reached through the open folder
    int file = -1;
#endif
    std::string name;
    std::uintmax_t copied = 0;
    unsigned finalPermissions = 0;
    bool armed = false; // the signal handler knows this file
    bool renamed = false;
};

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
