#pragma once

// Everything that differs between platforms, one concern a header; each
// platform's code is in posix/ or windows/, under the same file names.
#include "repair/platform/file_names.h"
#include "repair/platform/positioned_io.h"
#include "repair/platform/signal_cleanup.h"
#include "repair/platform/staging_file.h"
