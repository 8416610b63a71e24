#include "repair/platform/windows/kernel_copy.h"

namespace velmorant {

namespace {

long long readSome(HANDLE from, char *buffer, std::size_t size)
{
    DWORD got = 0;
    return ::ReadFile(from, buffer, static_cast<DWORD>(size), &got, nullptr) ? got : -1;
}

bool writeAll(HANDLE to, const char *data, std::size_t size)
{
    while (size > 0) {
        DWORD written = 0;
        if (!::WriteFile(to, data, static_cast<DWORD>(size), &written, nullptr) || written == 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

} // namespace

Copied copyFile(HANDLE from, HANDLE to, std::uintmax_t size, const CopyProgress &progress)
{
    ProgressPoints points(progress, size);
    return copyInBlocks(
        [from](char *buffer, std::size_t wanted) { return readSome(from, buffer, wanted); },
        [to](const char *data, std::size_t count) { return writeAll(to, data, count); }, size,
        points);
}

} // namespace velmorant
