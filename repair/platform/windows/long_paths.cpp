#include "repair/platform/windows/long_paths.h"

#include "edf/text/utf8.h"

#include <windows.h>

#include <system_error>

namespace fs = std::filesystem;

namespace velmorant {

fs::path widePath(const std::string &utf8)
{
    const std::u16string wide = decodeUtf8(utf8);
    return fs::path(std::wstring(wide.begin(), wide.end()));
}

fs::path longForm(const fs::path &path)
{
    if (path.native().rfind(L"\\\\", 0) == 0)
        return path; // already long, or a network path
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error).lexically_normal();
    // 248, not 260: a folder's name leaves room for a file's 8.3 name.
    if (error || absolute.native().size() < MAX_PATH - 12)
        return path;
    return fs::path(L"\\\\?\\" + absolute.native());
}

} // namespace velmorant
