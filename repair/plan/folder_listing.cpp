#include "repair/plan/folder_listing.h"

#include "edf/text/utf8.h"
#include "repair/platform/file_names.h"

#include <filesystem>

#include <algorithm>
#include <stdexcept>
#include <tuple>

namespace fs = std::filesystem;

namespace velmorant {

namespace {

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string asciiLowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), asciiLower);
    return text;
}

// Names compare as UTF-16 text, as the window's strings do; a name that is
// not UTF-8 compares by its bytes.
std::u16string comparable(const std::string &name)
{
    try {
        return decodeUtf8(asciiLowered(name));
    } catch (const std::range_error &) {
        const std::string lowered = asciiLowered(name);
        std::u16string bytes;
        for (char c : lowered)
            bytes.push_back(static_cast<unsigned char>(c));
        return bytes;
    }
}

// What an entry is, as far as a run cares.
struct EntryKind {
    bool realFolder = false; // not a link to one
    bool listable = false; // a regular file or a folder, symbolic links followed
    // Why the system could not tell (a path longer than one call takes,
    // say); an entry gone meanwhile is simply not listed.
    std::error_code untold;
};

// The type the folder's listing gave costs no call; only a link, or an entry
// of a type the file system does not tell, is looked up.
EntryKind kindOf(const fs::directory_entry &entry)
{
    EntryKind kind;
    std::error_code error;
    const bool link = entry.is_symlink(error);
    if (error) {
        if (error != std::errc::no_such_file_or_directory)
            kind.untold = error;
        return kind;
    }
    const bool folder = entry.is_directory(error);
    kind.realFolder = folder && !link;
    kind.listable = folder || (!error && entry.is_regular_file(error));
    return kind;
}

struct VisibleEntry {
    std::string name;
    EntryKind kind;
};

// A recording whose kind cannot be told is listed all the same, so that the
// run fails it with the system's reason rather than leave it out in silence.
bool listedAsRecording(const std::string &name, const EntryKind &kind, RecordingNames names)
{
    return matchesEdfPattern(name, names) && (kind.listable || kind.untold);
}

// The visible entries of a folder, sorted as the window sorts them; a folder
// that cannot be read is told, not taken for an empty one.
std::vector<VisibleEntry> visibleEntries(const fs::path &folder, const std::string &shownAs,
                                         std::vector<UnlistedFolder> &unlisted)
{
    // Each name made comparable once, not at every comparison of the sort.
    std::vector<std::pair<std::u16string, VisibleEntry>> keyed;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().u8string();
        if (name[0] == '.')
            continue;
        std::u16string key = comparable(name);
        keyed.emplace_back(std::move(key), VisibleEntry{std::move(name), kindOf(*it)});
    }
    if (error)
        unlisted.push_back({shownAs, error.message()});
    std::sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
        return std::tie(a.first, a.second.name) < std::tie(b.first, b.second.name);
    });
    std::vector<VisibleEntry> entries;
    entries.reserve(keyed.size());
    for (auto &key : keyed)
        entries.push_back(std::move(key.second));
    return entries;
}

void addFilesBelow(const fs::path &folder, const std::string &shownAs, const std::string &prefix,
                   RecordingNames names, EdfListing &listing)
{
    for (const VisibleEntry &visible : visibleEntries(folder, shownAs, listing.unlisted)) {
        const std::string &name = visible.name;
        const EntryKind &kind = visible.kind;
        if (kind.realFolder)
            addFilesBelow(folder / name, joinedPath(shownAs, name), prefix + name + "/", names,
                          listing);
        else if (listedAsRecording(name, kind, names))
            listing.names.push_back(prefix + name);
        else if (kind.untold)
            listing.unlisted.push_back({joinedPath(shownAs, name), kind.untold.message()});
    }
}

} // namespace

bool isFolder(const std::string &pathUtf8)
{
    try {
        std::error_code error;
        return fs::is_directory(toFsPath(pathUtf8), error);
    } catch (const std::range_error &) {
        return false;
    }
}

std::string joinedPath(const std::string &folder, const std::string &name)
{
    return folder + "/" + name;
}

bool matchesEdfPattern(const std::string &name, RecordingNames names)
{
    const std::string extension
        = name.size() >= 4 ? asciiLowered(name.substr(name.size() - 4)) : std::string();
    return extension == ".edf" || (names == RecordingNames::edfOrBdf && extension == ".bdf");
}

EdfListing edfEntries(const std::string &folderUtf8, RecordingNames names)
{
    EdfListing listing;
    try {
        if (!isFolder(folderUtf8))
            return listing;
        const fs::path folder = toFsPath(folderUtf8);
        for (const VisibleEntry &visible : visibleEntries(folder, folderUtf8, listing.unlisted))
            if (listedAsRecording(visible.name, visible.kind, names))
                listing.names.push_back(visible.name);
    } catch (const std::range_error &) {
        return {};
    }
    return listing;
}

EdfListing edfFilesBelow(const std::string &folderUtf8, RecordingNames names)
{
    EdfListing listing;
    try {
        if (isFolder(folderUtf8))
            addFilesBelow(toFsPath(folderUtf8), folderUtf8, "", names, listing);
    } catch (const std::range_error &) {
        return {};
    }
    return listing;
}

EdfListing edfListing(const std::string &folderUtf8, bool recursive, RecordingNames names)
{
    return recursive ? edfFilesBelow(folderUtf8, names) : edfEntries(folderUtf8, names);
}

} // namespace velmorant
