#include "repair/platform/file_system.h"

#include "edf/text/utf8.h"
#include "repair/records/copy_loop.h"

#include <windows.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <cwctype>
#include <fcntl.h>
#include <io.h>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace velmorant {

namespace {

// The system's words for its last error, as the other platforms' strerror gives them.
std::string lastErrorText()
{
    std::string text = std::system_category().message(static_cast<int>(::GetLastError()));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.'))
        text.pop_back();
    return text;
}

// Past MAX_PATH the system takes only absolute paths in their long form:
// "\\?\" ahead, backslashes only, nothing like "." or "..".
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

// Marks the file to go when its last handle closes, which the end of the
// process does too; a handle opened with the right to delete can always.
void deleteOnClose(HANDLE file)
{
    FILE_DISPOSITION_INFO disposition{TRUE};
    ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

// The staging file that the console's handler must remove. Global, because
// the handler can reach nothing else; it runs on a thread of its own while
// the copy goes on, hence atomic.
std::atomic<HANDLE> stagingOnSignal{nullptr};

BOOL WINAPI removeStagingAndEnd(DWORD)
{
    if (HANDLE file = stagingOnSignal.load())
        deleteOnClose(file);
    // Ends as the system's own handler would, which not every host calls.
    ::ExitProcess(STATUS_CONTROL_C_EXIT);
    return TRUE;
}

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

// From the strictly decoded text: a narrow string would be read in the ANSI code page.
fs::path widePath(const std::string &utf8)
{
    const std::u16string wide = decodeUtf8(utf8);
    return fs::path(std::wstring(wide.begin(), wide.end()));
}

} // namespace

fs::path toFsPath(const std::string &utf8)
{
    return longForm(widePath(utf8));
}

std::FILE *openForReading(const fs::path &path)
{
    return ::_wfopen(path.c_str(), L"rb");
}

bool truncateFile(std::FILE *file, std::uintmax_t size)
{
    return std::fflush(file) == 0 && ::_chsize_s(::_fileno(file), static_cast<__int64>(size)) == 0;
}

// Windows' C runtime has no positioned read or write: the stream moves.
std::size_t readAt(std::FILE *file, std::uintmax_t offset, char *data, std::size_t size)
{
    if (std::fflush(file) != 0 || ::_fseeki64(file, static_cast<__int64>(offset), SEEK_SET) != 0)
        return 0;
    return std::fread(data, 1, size, file);
}

bool writeAt(std::FILE *file, std::uintmax_t offset, const char *data, std::size_t size)
{
    return std::fflush(file) == 0 && ::_fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0
        && std::fwrite(data, 1, size, file) == size && std::fflush(file) == 0;
}

bool stderrIsTerminal()
{
    return ::_isatty(::_fileno(stderr)) != 0;
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

StagingFolder::~StagingFolder() = default;

bool StagingFolder::open(const fs::path &folder, std::string &reason)
{
    path = folder.empty() ? fs::path(".") : folder;
    std::error_code error;
    if (fs::is_directory(path, error))
        return true;
    reason = "no file can be made in the destination folder: "
        + (error ? error.message() : std::string("it is not a folder"));
    return false;
}

void StagingFolder::removeUnlocked(const std::vector<std::string> &leftovers) const
{
    // A staging file still being written is open without sharing the right
    // to delete it, so DeleteFileW leaves it alone; links are never followed.
    std::error_code error;
    for (const std::string &leftover : leftovers) {
        const fs::path file = path / widePath(leftover);
        if (fs::symlink_status(file, error).type() == fs::file_type::regular)
            ::DeleteFileW(longForm(file).c_str());
    }
}

void StagingFolder::sync() const { }

StagingFile::StagingFile(std::shared_ptr<const StagingFolder> folder)
    : folder(std::move(folder)) { }

StagingFile::~StagingFile()
{
    if (!file)
        return;
    if (armed)
        stagingOnSignal.store(nullptr);
    if (!renamed)
        deleteOnClose(file);
    ::CloseHandle(file);
}

bool StagingFile::copyFrom(const fs::path &from, const std::string &newName, std::string &reason,
                           const CopyProgress &progress)
{
    // The source may stay open for writing elsewhere, as a recorder keeps it.
    Handle source(::CreateFileW(from.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER sourceSize{};
    BY_HANDLE_FILE_INFORMATION sourceInfo{};
    if (source.get() == INVALID_HANDLE_VALUE || !::GetFileSizeEx(source.get(), &sourceSize)
        || !::GetFileInformationByHandle(source.get(), &sourceInfo)) {
        reason = "the source cannot be read: " + lastErrorText();
        return false;
    }
    if (!create(newName, sourceInfo.dwFileAttributes & FILE_ATTRIBUTE_READONLY, reason))
        return false;
    const auto size = static_cast<std::uintmax_t>(sourceSize.QuadPart);
    ProgressPoints points(progress, size);
    const Copied result = copyInBlocks(
        [&source](char *buffer, std::size_t wanted) {
            return readSome(source.get(), buffer, wanted);
        },
        [this](const char *data, std::size_t count) { return writeAll(file, data, count); }, size,
        points);
    reason = stoppedReason(result);
    if (!reason.empty())
        return false;
    if (result != Copied::all || !::FlushFileBuffers(file)) {
        reason = lastErrorText();
        return false;
    }
    copied = size;
    return true;
}

bool StagingFile::create(const std::string &newName, unsigned readOnly, std::string &reason)
{
    const fs::path path = longForm(folder->path / widePath(newName));
    // Not shared for deleting: that stands in for the lock, so that another
    // repair's clean-up cannot remove a copy still being written.
    file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ,
                         nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        file = nullptr;
        reason = "no file can be made in the destination folder: " + lastErrorText();
        return false;
    }
    name = newName;
    finalPermissions = readOnly;
    stagingOnSignal.store(file);
    armed = true;
    return true;
}

std::FILE *StagingFile::openForUpdate()
{
    // A second handle of the same open file: no other sharing to ask for,
    // and closing it keeps the file ours.
    HANDLE duplicate = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), file, ::GetCurrentProcess(), &duplicate, 0, FALSE,
                           DUPLICATE_SAME_ACCESS))
        return nullptr;
    const int descriptor
        = ::_open_osfhandle(reinterpret_cast<intptr_t>(duplicate), _O_RDWR | _O_BINARY);
    if (descriptor < 0) {
        ::CloseHandle(duplicate);
        return nullptr;
    }
    std::FILE *stream
        = ::_lseeki64(descriptor, 0, SEEK_SET) == 0 ? ::_fdopen(descriptor, "r+b") : nullptr;
    if (!stream)
        ::_close(descriptor);
    return stream;
}

bool StagingFile::renameTo(const std::string &destinationName, std::string &reason)
{
    // Through the handle, replacing what has the name: the C runtime's
    // rename refuses an existing destination. A destination that another
    // program holds open without sharing deletion is refused by the system.
    const std::wstring target = longForm(folder->path / widePath(destinationName)).native();
    // Marked read-only by its owner: not to be replaced behind their back,
    // which some file systems would allow.
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        reason = "the destination is read-only";
        return false;
    }
    std::vector<char> storage(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
    auto *rename = reinterpret_cast<FILE_RENAME_INFO *>(storage.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::memcpy(rename->FileName, target.c_str(), rename->FileNameLength);
    if (!::SetFileInformationByHandle(file, FileRenameInfo, rename,
                                      static_cast<DWORD>(storage.size()))) {
        reason = lastErrorText();
        return false;
    }
    renamed = true;
    stagingOnSignal.store(nullptr);
    armed = false;
    if (finalPermissions) {
        FILE_BASIC_INFO basic{};
        if (::GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)) {
            basic.FileAttributes |= FILE_ATTRIBUTE_READONLY;
            ::SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
        }
    }
    return true;
}

void StagingFile::startWriteBack() { }

bool StagingFile::syncFileSystem()
{
    return false;
}

bool StagingFile::makeDurable(std::string &reason, bool)
{
    if (::FlushFileBuffers(file))
        return true;
    reason = lastErrorText();
    return false;
}

// One at a time: the console handler knows a single staging file.
std::size_t stagingFilesAtOnce()
{
    return 1;
}

void leaveEndingSignalsToOtherThreads() { }

void installSignalHandlers()
{
    ::SetConsoleCtrlHandler(removeStagingAndEnd, TRUE);
}

} // namespace velmorant
