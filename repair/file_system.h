#pragma once

#include "copy_progress.h"

#include <boost/filesystem/path.hpp>

#include <cstdio>
#include <string>

namespace velmorant {

// Everything that differs between platforms lives here. Paths reach the
// repair as UTF-8 text; where the platform names files in UTF-16 the text is
// decoded strictly, so a malformed name can never open some other file.

boost::filesystem::path toFsPath(const std::string &utf8);

// Opens an existing file for reading and writing in binary mode; null on failure.
std::FILE *openForUpdate(const boost::filesystem::path &path);

// Opens an existing file for reading in binary mode; null on failure.
std::FILE *openForReading(const boost::filesystem::path &path);

// Flushes the stream and asks the system to put the file's data on disk.
bool flushToDisk(std::FILE *file);

// True when the process's standard error goes to a terminal, where a line
// can be drawn and drawn over.
bool stderrIsTerminal();

// Asks the system to put a folder's entries on disk, so that a rename in it
// survives a power cut. Best effort: false where the system cannot say.
bool syncFolder(const boost::filesystem::path &folder);

// Copies a file's bytes into a new file and puts them on disk, also across
// file systems. Fails if the source ends early or progress says to stop.
// Leaves the target's removal to the caller on failure.
bool copyContents(const boost::filesystem::path &from, const boost::filesystem::path &to,
                  std::string &reason, const CopyProgress &progress = {});

// True for any existing object, folder or not; an unreadable status counts as absent.
bool pathExists(const std::string &utf8);

} // namespace velmorant
