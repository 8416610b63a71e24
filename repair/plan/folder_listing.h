#pragma once

#include <string>
#include <vector>

namespace velmorant {

// A folder, or a link to one; false for text that is not UTF-8 where paths are UTF-16.
bool isFolder(const std::string &pathUtf8);

// Folder and name joined as the window joins them: always with "/", even
// after a folder text that ends in one.
std::string joinedPath(const std::string &folder, const std::string &name);

// A folder that exists but could not be listed, and the system's reason.
struct UnlistedFolder {
    std::string folder;
    std::string reason;
};

// Which names a folder's listing takes: the window's folder mode takes
// "*.edf" alone, the command line BDF recordings as well.
enum class RecordingNames { edf, edfOrBdf };

struct EdfListing {
    std::vector<std::string> names;
    std::vector<UnlistedFolder> unlisted;
};

// The entries of a folder that a run converts: names matching "*.edf"
// without regard to case, hidden ones left out, files and folders alike,
// sorted by name without regard to case. No names when the text names no
// folder; the folder in `unlisted` when it cannot be read.
EdfListing edfEntries(const std::string &folderUtf8, RecordingNames names = RecordingNames::edf);

// Every *.edf file below a folder, as paths relative to it joined with "/":
// each folder's entries in edfEntries' order, a sub-folder's files where its
// name falls. Hidden entries and symbolic links to folders are left out;
// folders that cannot be read are in `unlisted`.
EdfListing edfFilesBelow(const std::string &folderUtf8, RecordingNames names = RecordingNames::edf);

// edfFilesBelow when recursive, edfEntries otherwise.
EdfListing edfListing(const std::string &folderUtf8, bool recursive,
                      RecordingNames names = RecordingNames::edf);

// "*.edf", or with edfOrBdf "*.bdf" too, without regard to case.
bool matchesEdfPattern(const std::string &name, RecordingNames names = RecordingNames::edf);

} // namespace velmorant
