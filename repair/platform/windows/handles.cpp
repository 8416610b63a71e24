#include "repair/platform/windows/handles.h"

#include <system_error>

namespace velmorant {

std::string lastErrorText()
{
    std::string text = std::system_category().message(static_cast<int>(::GetLastError()));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.'))
        text.pop_back();
    return text;
}

void deleteOnClose(HANDLE file)
{
    FILE_DISPOSITION_INFO disposition{TRUE};
    ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

} // namespace velmorant
