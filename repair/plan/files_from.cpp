#include "repair/plan/files_from.h"

#include "repair/platform/file_names.h"

#include <filesystem>

#include <stdexcept>

namespace fs = std::filesystem;

namespace velmorant {

namespace {

const char *const notBelow = "the path does not lie below the source folder";

bool leadsOut(const fs::path &normal)
{
    return normal.empty() || normal == "." || *normal.begin() == "..";
}

// The path relative to the source folder, or empty where it leads elsewhere.
fs::path belowSource(const fs::path &listed, const fs::path &sourceFolder)
{
    fs::path relative = listed.lexically_normal();
    if (listed.is_absolute()) {
        std::error_code error;
        const fs::path folder = fs::absolute(sourceFolder, error).lexically_normal();
        relative = error ? fs::path() : relative.lexically_relative(folder);
    } else if (listed.has_root_path()) {
        return {}; // Windows' "\a.edf" or "C:a.edf": relative to some other folder
    }
    return leadsOut(relative) ? fs::path() : relative;
}

void addListed(const std::string &listed, const fs::path &sourceFolder, FileList &list)
{
    try {
        const fs::path relative = belowSource(toFsPath(listed), sourceFolder);
        if (relative.empty())
            list.refused.push_back({listed, notBelow});
        else
            list.paths.push_back(relative.generic_u8string());
    } catch (const std::range_error &) {
        list.refused.push_back({listed, "the path is not UTF-8 text"});
    }
}

} // namespace

FileList readFileList(std::istream &list, bool nulSeparated, const std::string &sourceFolderUtf8)
{
    FileList files;
    const fs::path sourceFolder = toFsPath(sourceFolderUtf8);
    std::string listed;
    while (std::getline(list, listed, nulSeparated ? '\0' : '\n')) {
        // A list written on Windows ends its lines with CR LF.
        if (!nulSeparated && !listed.empty() && listed.back() == '\r')
            listed.pop_back();
        if (!listed.empty())
            addListed(listed, sourceFolder, files);
    }
    return files;
}

} // namespace velmorant
