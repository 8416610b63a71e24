#include "cli/selection/selected_files.h"

#include "edf/wording/finding_text.h"
#include "repair/platform/file_names.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

namespace velmorant {

namespace {

std::string relativeTo(const std::string &folder, const std::string &path)
{
    const std::string prefix = joinedPath(folder, "");
    return path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
}

// The list's paths as files of the folder.
SelectedFiles listedFiles(const Options &o, const std::string &folder)
{
    SelectedFiles selected;
    FileList list;
    if (o.selection.filesFrom == "-") {
        list = readFileList(std::cin, o.selection.from0, folder);
        if (std::cin.bad())
            selected.listError = "standard input could not be read to its end";
    } else {
        errno = 0;
        std::ifstream file(toFsPath(o.selection.filesFrom), std::ios::binary);
        const std::string reason = errno != 0 ? std::strerror(errno) : "it cannot be opened";
        if (!file)
            selected.listError = shownName(o.selection.filesFrom) + " cannot be read: " + reason;
        list = readFileList(file, o.selection.from0, folder);
        if (file.bad())
            selected.listError = shownName(o.selection.filesFrom) + " could not be read to its end";
    }
    selected.listing.names = std::move(list.paths);
    selected.refused = std::move(list.refused);
    return selected;
}

SelectedFiles foundFiles(const Options &o, const std::string &folder)
{
    SelectedFiles selected;
    selected.listing = edfListing(folder, o.recursive, RecordingNames::edfOrBdf);
    return selected;
}

} // namespace

SelectedFiles selectedFiles(const Options &o, const std::string &folder)
{
    SelectedFiles all
        = o.selection.filesFrom.empty() ? foundFiles(o, folder) : listedFiles(o, folder);
    const std::optional<Shard> &shard = o.selection.shard;
    SelectedFiles share;
    share.listError = all.listError;
    share.beforeShard = all.listing.names.size() + all.listing.unlisted.size() + all.refused.size();
    share.listing.names
        = inShard(all.listing.names, shard, [](const std::string &name) { return name; });
    share.listing.unlisted = inShard(all.listing.unlisted, shard, [&](const UnlistedFolder &f) {
        return relativeTo(folder, f.folder);
    });
    share.refused = inShard(all.refused, shard, [](const RefusedPath &p) { return p.listed; });
    return share;
}

bool inShare(const Options &o, const std::string &path)
{
    const std::optional<Shard> &shard = o.selection.shard;
    return !shard || shardOf(path, shard->count) == shard->index;
}

} // namespace velmorant
