#include "repair/platform/staging_file.h"

#include "repair/platform/windows/handles.h"
#include "repair/platform/windows/kernel_copy.h"
#include "repair/platform/windows/long_paths.h"
#include "repair/platform/windows/staging_on_signal.h"

#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace velmorant {

namespace {

// A copy that mixes the bytes before a rewrite with those after it would
// pass every check and still be wrong.
bool changedSince(HANDLE source, const BY_HANDLE_FILE_INFORMATION &before)
{
    BY_HANDLE_FILE_INFORMATION after{};
    return !::GetFileInformationByHandle(source, &after)
        || after.nFileSizeHigh != before.nFileSizeHigh || after.nFileSizeLow != before.nFileSizeLow
        || ::CompareFileTime(&after.ftLastWriteTime, &before.ftLastWriteTime) != 0;
}

} // namespace

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

RunStart RunStart::now()
{
    return {};
}

// A new staging file is made without sharing deletion, locked as it is made,
// so that its age needs no looking at.
bool StagingFolder::openBelow(const StagingFolder &root, const fs::path &relative,
                              std::string &reason)
{
    fs::path at = root.path;
    std::error_code error;
    for (const fs::path &level : relative) {
        at /= level;
        if (level != "." && fs::is_symlink(fs::symlink_status(at, error))) {
            reason = "a folder on the way to the destination is a link or no folder; nothing is "
                     "written through it";
            return false;
        }
        fs::create_directory(at, error); // where missing; open() tells what went wrong
    }
    return open(at, reason);
}

void StagingFolder::learnFileSystem() { }

void StagingFolder::removeUnlocked(const std::vector<std::string> &leftovers,
                                   const RunStart &) const
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
        disarmSignalCleanup();
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
    Copied result = copyFile(source.get(), file, size, progress);
    if (result == Copied::all && changedSince(source.get(), sourceInfo))
        result = Copied::sourceChanged;
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
    armSignalCleanup(file);
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
    disarmSignalCleanup();
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

} // namespace velmorant
