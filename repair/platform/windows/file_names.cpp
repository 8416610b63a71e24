#include "repair/platform/file_names.h"

#include "repair/platform/windows/long_paths.h"

#include <cwctype>

namespace fs = std::filesystem;

namespace velmorant {

namespace {

bool isDeviceStem(std::wstring stem)
{
    for (wchar_t &c : stem)
        c = static_cast<wchar_t>(::towupper(c));
    static const wchar_t *const reserved[]
        = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t *name : reserved)
        if (stem == name)
            return true;
    return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0)
        && stem[3] >= L'1' && stem[3] <= L'9';
}

} // namespace

fs::path toFsPath(const std::string &utf8)
{
    return longForm(widePath(utf8));
}

bool namesDevice(const fs::path &path)
{
    // Trailing dots and spaces are not part of a name, and older systems
    // take "nul.edf" for the device too.
    std::wstring name = path.filename().native();
    name = name.substr(0, name.find(L'.'));
    while (!name.empty() && (name.back() == L' ' || name.back() == L'.'))
        name.pop_back();
    return isDeviceStem(name);
}

} // namespace velmorant
