#pragma once

// Everything that differs between platforms, one concern a header; each
// platform's code is in posix/ or windows/, under the same file names.
#include "repair/platform/file_names.h"
#include "repair/platform/positioned_io.h"
#include "repair/platform/signal_cleanup.h"
#include "repair/platform/staging_file.h"

#include <string>

namespace velmorant {

// True for any existing object, folder or not; an unreadable status counts as absent.
bool pathExists(const std::string &utf8);

// Why a folder cannot be listed ("Permission denied"); empty when it can be,
// or when the text names no folder at all.
std::string listingError(const std::string &utf8);

} // namespace velmorant
