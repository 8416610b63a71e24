#include "repair/platform/file_names.h"

namespace fs = std::filesystem;

namespace velmorant {

fs::path toFsPath(const std::string &utf8)
{
    return fs::path(utf8);
}

bool namesDevice(const fs::path &)
{
    return false; // devices are found by what a name leads to
}

} // namespace velmorant
