#include "repair/staging/staged_copy.h"

#include <filesystem>

#include <algorithm>
#include <cstdio>

namespace fs = std::filesystem;

namespace velmorant {

namespace {

// A staging name is "." + the part borrowed from the destination's name +
// "." + 8 random hex digits + this suffix.
const std::string suffix = ".velmorant-part";
constexpr std::size_t randomDigits = 8;
const std::size_t addedLength = 2 + randomDigits + suffix.size();

std::string hashTag(const std::string &name)
{
    std::uint32_t hash = 2166136261u; // FNV-1a
    for (char c : name)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    char tag[10];
    std::snprintf(tag, sizeof tag, "~%08x", static_cast<unsigned>(hash));
    return tag;
}

// The destination's name, or, where the staging name would pass the longest
// name the file system takes, its start cut on a character boundary and
// followed by a hash of the whole name: still recognisable, and still
// telling apart destinations whose names begin alike.
std::string borrowedName(const std::string &name, std::size_t longestName)
{
    if (name.size() + addedLength <= longestName)
        return name;
    const std::string tag = hashTag(name);
    std::size_t kept
        = longestName > addedLength + tag.size() ? longestName - addedLength - tag.size() : 0;
    while (kept > 0 && (static_cast<unsigned char>(name[kept]) & 0xC0) == 0x80)
        --kept;
    return name.substr(0, kept) + tag;
}

bool isHexDigits(const std::string &text)
{
    return text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

} // namespace

std::shared_ptr<const StagingFolder> StagingRun::folder(const fs::path &path, std::string &reason)
{
    const auto found = opened.find(path);
    if (found != opened.end())
        return found->second;
    auto folder = std::make_shared<StagingFolder>();
    const fs::path below = belowRoot(path);
    if (!(below.empty() ? folder->open(path, reason) : folder->openBelow(*root, below, reason)))
        return nullptr;
    opened.emplace(path, folder);
    return folder;
}

void StagingRun::openRoot(const fs::path &path)
{
    std::string ignored; // without its root, each folder is opened and fails on its own
    auto opening = std::make_unique<StagingFolder>();
    if (!opening->open(path, ignored))
        return;
    rootPath = path;
    root = std::move(opening);
}

fs::path StagingRun::belowRoot(const fs::path &path) const
{
    if (!root)
        return {};
    const fs::path relative = path.lexically_relative(rootPath);
    return relative.empty() || *relative.begin() == ".." ? fs::path() : relative;
}

std::vector<std::string>
StagingRun::takeLeftovers(const fs::path &folder,
                          const std::function<bool(const std::string &)> &belongs)
{
    auto found = listed.find(folder);
    if (found == listed.end()) {
        std::vector<std::string> &names = listed[folder];
        // A folder that may be written but not listed can still take the copy.
        std::error_code error;
        for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, error), end;
             !error && it != end; it.increment(error)) {
            const std::string name = it->path().filename().u8string();
            if (name.size() > suffix.size() && name[0] == '.'
                && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                names.push_back(name);
        }
        found = listed.find(folder);
    }
    std::vector<std::string> &names = found->second;
    const auto taken = std::stable_partition(
        names.begin(), names.end(), [&belongs](const std::string &n) { return !belongs(n); });
    std::vector<std::string> result(taken, names.end());
    names.erase(taken, names.end());
    return result;
}

StagedCopy::StagedCopy(const fs::path &destination, StagingRun &run)
    : destination(destination), run(run)
{ }

bool StagedCopy::copyFrom(const fs::path &source, std::string &reason, const CopyProgress &progress)
{
    folderOpened = run.folder(destination.parent_path(), reason);
    if (!folderOpened)
        return false;
    const std::string prefix
        = "." + borrowedName(destination.filename().u8string(), folderOpened->longestName()) + ".";
    folderOpened->removeUnlocked(
        run.takeLeftovers(destination.parent_path(),
                          [&prefix](const std::string &name) {
                              return name.size() == prefix.size() + randomDigits + suffix.size()
                                  && name.compare(0, prefix.size(), prefix) == 0
                                  && isHexDigits(name.substr(prefix.size(), randomDigits));
                          }),
        run.started);
    const std::string random = run.randomName(std::string(randomDigits, '%'));
    staging = std::make_unique<StagingFile>(folderOpened);
    if (privateCopy)
        staging->keepPrivateUntilRenamed();
    // Never an existing file: the staging name is ours alone. Not the
    // library's copy_file: it tells nothing of its progress, and libstdc++'s
    // falls back to an 8 KiB loop past 2 GiB.
    return staging->copyFrom(source, prefix + random + suffix, reason, progress);
}

bool StagedCopy::commit(std::string &reason, bool fileSystemSynced)
{
    return staging->makeDurable(reason, fileSystemSynced)
        && staging->renameTo(destination.filename().u8string(), reason);
}

} // namespace velmorant
