#include "repair/platform/file_system.h"

namespace fs = std::filesystem;

namespace velmorant {

bool pathExists(const std::string &utf8)
{
    std::error_code error;
    const auto type = fs::status(toFsPath(utf8), error).type();
    return type != fs::file_type::none && type != fs::file_type::not_found;
}

std::string listingError(const std::string &utf8)
{
    const fs::path folder = toFsPath(utf8);
    std::error_code error;
    if (!fs::is_directory(folder, error))
        return {};
    fs::directory_iterator listing(folder, error);
    return error ? error.message() : std::string();
}

} // namespace velmorant
