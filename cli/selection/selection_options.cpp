#include "cli/selection/selection_options.h"

#include "cli/options.h"

namespace velmorant {

bool takeSelectionOption(const std::vector<std::string> &arguments, std::size_t &i,
                         Selection &selection, std::string &error)
{
    const std::string &argument = arguments[i];
    if (argument == "--from0") {
        selection.from0 = true;
    } else if (argument == "--skip-existing") {
        selection.skipExisting = true;
    } else if (argument == "--shard" || argument == "--files-from") {
        if (i + 1 == arguments.size()) {
            error = argument + (argument == "--shard" ? " needs K/N" : " needs a LIST");
            return true;
        }
        const std::string &value = arguments[++i];
        if (argument == "--files-from")
            selection.filesFrom = value;
        else if (!(selection.shard = parseShard(value)))
            error = "--shard takes K/N, K from 1 to N, not \"" + value + "\"";
    } else {
        return false;
    }
    return true;
}

std::string selectionError(const Options &o)
{
    const Selection &s = o.selection;
    const bool folderRun = o.command == Command::repairFolder || o.command == Command::check;
    if ((s.shard || !s.filesFrom.empty()) && !folderRun)
        return "--shard and --files-from go with --folder or --check";
    if (s.from0 && s.filesFrom.empty())
        return "--from0 goes with --files-from";
    if (!s.filesFrom.empty() && o.recursive)
        return "--files-from names the files; --recursive finds them: give one of them";
    if (!s.filesFrom.empty() && o.command == Command::check && o.paths.size() != 1)
        return "--check --files-from takes one SOURCE_DIR";
    if (s.skipExisting && o.command != Command::repairFile && o.command != Command::repairFolder)
        return "--skip-existing goes with a repair";
    // Each share would put its own earliest date on 01.01.85.
    if (s.shard && o.deidentify && !o.keepDates)
        return "--shard with --deidentify needs --keep-dates: each shard would move its dates "
               "by days of its own";
    return "";
}

} // namespace velmorant
