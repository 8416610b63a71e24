#pragma once

#include <filesystem>
#include <string>

namespace velmorant {

// From the strictly decoded text: a narrow string would be read in the ANSI code page.
std::filesystem::path widePath(const std::string &utf8);

// Past MAX_PATH the system takes only absolute paths in their long form:
// "\\?\" ahead, backslashes only, nothing like "." or "..".
std::filesystem::path longForm(const std::filesystem::path &path);

} // namespace velmorant
