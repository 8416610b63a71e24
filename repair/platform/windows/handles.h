#pragma once

#include <windows.h>

#include <string>

namespace velmorant {

// The system's words for its last error, as the other platforms' strerror gives them.
std::string lastErrorText();

// Marks the file to go when its last handle closes, which the end of the
// process does too; a handle opened with the right to delete can always.
void deleteOnClose(HANDLE file);

// A handle closed when this goes.
class Handle
{
public:
    explicit Handle(HANDLE handle) : handle(handle) { }
    ~Handle()
    {
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;

    HANDLE get() const { return handle; }

private:
    HANDLE handle;
};

} // namespace velmorant
