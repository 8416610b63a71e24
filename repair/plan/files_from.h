#pragma once

#include <istream>
#include <string>
#include <vector>

namespace velmorant {

// A listed path that names no file below the source folder, and why.
struct RefusedPath {
    std::string listed;
    std::string reason;
};

struct FileList {
    std::vector<std::string> paths; // relative to the source folder, names joined with "/"
    std::vector<RefusedPath> refused;
};

// A list of files as rsync's --files-from takes it: one path a line (a
// carriage return before the line feed dropped, empty lines skipped) or,
// nulSeparated, each ended by a NUL byte. A path is relative to the source
// folder; an absolute one is taken where it lies within that folder. A path
// that leads out of the folder is refused, never followed.
FileList readFileList(std::istream &list, bool nulSeparated, const std::string &sourceFolderUtf8);

} // namespace velmorant
