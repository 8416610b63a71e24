#pragma once

#include "cli/options.h"
#include "repair/plan/files_from.h"
#include "repair/plan/folder_listing.h"

#include <cstddef>
#include <string>
#include <vector>

namespace velmorant {

// The files of a source folder that this process takes: those its list
// names, or those found in it (below it with --recursive), and of them the
// shard's share. Folders not listed and paths refused are in the share of
// their path too, so that the shares together report each once.
struct SelectedFiles {
    EdfListing listing; // names relative to the folder
    std::vector<RefusedPath> refused; // listed paths that lead out of the folder
    std::size_t beforeShard = 0; // files, folders not listed and refused paths of every share
    std::string listError; // why the list of files could not be read
};

SelectedFiles selectedFiles(const Options &options, const std::string &folderUtf8);

// Whether a path given as it is (not found in a folder) is in the share.
bool inShare(const Options &options, const std::string &path);

} // namespace velmorant
