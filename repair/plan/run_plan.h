#pragma once

#include "repair/plan/folder_listing.h"

#include <string>
#include <vector>

namespace velmorant {

// The destination proposed for a source: the text less its last four
// characters (counted as the window counts them, in UTF-16 units), followed
// by "Fixed.edf" ("Fixed.bdf" for a "*.bdf" source, without regard to case);
// a text shorter than that is kept whole.
std::string derivedDestination(const std::string &sourceUtf8);

// One file of a run: the name it is shown by (its path below the source
// folder), where it is read and where its repair goes.
struct PlannedFile {
    std::string name;
    std::string source;
    std::string destination;
};

// The files of a run, in order, and the folders that could not be listed.
struct RunPlan {
    std::vector<PlannedFile> files;
    std::vector<UnlistedFolder> unlisted;
};

// Every *.edf entry of the source folder (recursive: every *.edf file below
// it; names says whether *.bdf too), in edfListing's order, each to the same name under the
// destination folder, whose sub-folders then mirror the source's.
RunPlan planFolder(const std::string &sourceFolder, const std::string &destinationFolder,
                   bool recursive, RecordingNames names = RecordingNames::edf);

// The same for names already listed (or chosen) below the source folder.
RunPlan planListing(EdfListing listing, const std::string &sourceFolder,
                    const std::string &destinationFolder);

} // namespace velmorant
