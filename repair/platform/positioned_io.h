#pragma once

#include <filesystem>

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace velmorant {

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

// True when the process's standard error goes to a terminal, where a line
// can be drawn and drawn over.
bool stderrIsTerminal();

} // namespace velmorant
