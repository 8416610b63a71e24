#pragma once

#include <filesystem>
#include <string>

namespace velmorant {

// Paths reach the repair as UTF-8 text; where the platform names files in
// UTF-16 the text is decoded strictly, so a malformed name can never open
// some other file.
std::filesystem::path toFsPath(const std::string &utf8);

// True where the file name is one the system keeps for a device in every
// folder (on Windows NUL, CON, COM1, "nul.edf", ...); never elsewhere.
bool namesDevice(const std::filesystem::path &path);

} // namespace velmorant
