#include "cli/commands.h"

#include "cli/corpus/corpus_summary.h"
#include "cli/corpus/summarize_reports.h"
#include "cli/deidentify_run.h"
#include "cli/json_line.h"
#include "cli/progress_line.h"
#include "cli/report.h"
#include "cli/selection/selected_files.h"
#include "cli/selection/selection_report.h"
#include "repair/engine/file_check.h"
#include "repair/engine/header_repair.h"
#include "repair/plan/existing_destinations.h"

#include "edf/wording/failure_text.h"
#include "edf/wording/finding_text.h"
#include "repair/plan/run_plan.h"
#include "repair/platform/file_names.h"

#include <filesystem>

#include <set>

namespace fs = std::filesystem;

namespace velmorant {

namespace {

constexpr int allDone = 0;
constexpr int someNotDone = 1;

// The folders below the destination folder that a run's repairs make (they
// make them from the open folder above, never through a link), so that a
// failed repair can take away again what only it needed, even when a later
// file of its batch was staged in the same folder meanwhile.
class MadeFolders
{
public:
    explicit MadeFolders(const std::string &root) : root(toFsPath(root)) { }

    void missingFor(const std::string &destination)
    {
        std::error_code error;
        fs::path folder = root;
        for (const fs::path &level : toFsPath(destination).parent_path().lexically_relative(root)) {
            folder /= level;
            const fs::file_status status = fs::symlink_status(folder, error);
            if (level == "." || fs::is_directory(status))
                continue;
            if (fs::exists(status))
                return;
            made.insert(folder);
        }
    }

    void removeEmptyFor(const std::string &destination)
    {
        std::error_code ignored;
        for (fs::path folder = toFsPath(destination).parent_path();
             made.count(folder) > 0 && fs::is_empty(folder, ignored);
             folder = folder.parent_path()) {
            fs::remove(folder, ignored);
            made.erase(folder);
        }
    }

private:
    fs::path root;
    std::set<fs::path> made;
};

// What the check finds in a repaired copy: its header's findings, and
// faults in its data records' annotations, which the usual repair leaves.
std::vector<CheckedFinding> stillFound(const FileCheck &check)
{
    std::vector<CheckedFinding> found = check.findings;
    for (const Finding &f : check.annotationFaults)
        found.push_back({f, false, false});
    return found;
}

void warnAboutNames(const RepairJob &job, const Deidentification &deidentified, std::ostream &err)
{
    for (const std::string &warning :
         {fileNameWarning(deidentified), namesNobodyWarning(deidentified)})
        if (!warning.empty())
            err << "warning: " << shownName(job.destination) << ": " << warning << std::endl;
}

// JSON gives a header that names nobody as one of the copy's warnings.
std::vector<CheckedFinding> withUnsearched(std::vector<CheckedFinding> warnings,
                                           const Deidentification &deidentified)
{
    if (deidentified.namesNobody)
        warnings.push_back(
            {{Rule::annotations, "annotation texts", 0, "not searched for a name",
              "a header that names the patient, or the words given with --redact", true},
             false,
             false});
    return warnings;
}

// Says how one file went; a repaired copy that still disagrees with the EDF
// rules (a record count that did not divide evenly, say) is warned about.
bool reportOne(const FileOutcome &outcome, const RepairJob &job, const Options &o,
               std::ostream &out, std::ostream &err)
{
    const std::vector<CheckedFinding> warnings
        = outcome.repaired ? stillFound(outcome.check) : std::vector<CheckedFinding>{};
    if (o.json) {
        out << jsonRepairLine(job.source, job.destination, outcome,
                              withUnsearched(warnings, outcome.deidentified), o.deidentify)
            << std::endl;
        return outcome.repaired;
    }
    if (!outcome.repaired) {
        err << "not repaired: " << shownName(job.source) << " -> " << shownName(job.destination)
            << ": " << describe(shownFailure(outcome.failure, o.deidentify)) << std::endl;
        return false;
    }
    RepairPreview shown = outcome.repair;
    shown.changes = shownChanges(shown.changes, o.deidentify);
    out << (o.deidentify ? "repaired and de-identified: " : "repaired: ") << shownName(job.source)
        << " -> " << shownName(job.destination)
        << (o.deidentify ? ": " + deidentifiedText(outcome.deidentified) : "") << "\n"
        << (o.thorough ? changeReport(shown) : "") << std::flush;
    for (const CheckedFinding &f : warnings)
        err << "warning: " << shownName(job.destination) << ": " << findingText(f.finding)
            << std::endl;
    if (o.deidentify)
        warnAboutNames(job, outcome.deidentified, err);
    return true;
}

int repairAll(const std::vector<RepairJob> &all, const Options &o, std::ostream &out,
              std::ostream &err)
{
    // Dates move by the whole run's days, those of files skipped included.
    const DeidentifyPlan plan = planDeidentification(o, all);
    if (!plan.error.empty()) {
        err << "velmorant-cli: " << plan.error << std::endl;
        return someNotDone;
    }
    const DestinationSplit split
        = o.selection.skipExisting ? splitByDestination(all) : DestinationSplit{all, {}};
    for (const RepairJob &job : split.existing)
        out << skippedLine(job, o.json) << std::endl;
    const std::vector<RepairJob> &jobs = split.missing;
    HeaderRepair repair;
    repair.setMode(o.thorough ? RepairMode::thorough : RepairMode::usual);
    repair.setDeidentification(plan.request);
    ProgressLine progress(err, repair, jobs.size(), o.progressOnStderr && !o.json);
    const bool intoFolder = o.command == Command::repairFolder;
    if (intoFolder)
        repair.setDestinationRoot(o.paths[1]);
    MadeFolders made(intoFolder ? o.paths[1] : std::string());
    int repaired = 0;
    repair.repairAll(
        jobs,
        [&](std::size_t i) {
            if (o.recursive || !o.selection.filesFrom.empty())
                made.missingFor(jobs[i].destination);
            progress.startFile(jobs[i].source);
            return true;
        },
        [&](std::size_t i, const FileOutcome &outcome) {
            progress.clear();
            if (!outcome.repaired)
                made.removeEmptyFor(jobs[i].destination);
            repaired += reportOne(outcome, jobs[i], o, out, err) ? 1 : 0;
        });
    if (!o.json)
        out << repairSummary(repaired, static_cast<int>(jobs.size()))
            << (o.deidentify ? " and de-identified" : "") << skippedCount(split.existing.size())
            << std::endl;
    return repaired == static_cast<int>(jobs.size()) ? allDone : someNotDone;
}

int repairFile(const Options &o, std::ostream &out, std::ostream &err)
{
    const std::string &source = o.paths[0];
    const std::string destination = o.paths.size() > 1 ? o.paths[1] : derivedDestination(source);
    return repairAll({{source, destination}}, o, out, err);
}

std::string notListed(const UnlistedFolder &unlisted)
{
    return "the folder cannot be listed: " + unlisted.reason;
}

int repairFolder(const Options &o, std::ostream &out, std::ostream &err)
{
    for (const std::string &folder : o.paths)
        if (!isFolder(folder)) {
            err << "velmorant-cli: " << shownName(folder) << " is not a folder" << std::endl;
            return someNotDone;
        }
    const SelectedFiles selected = selectedFiles(o, o.paths[0]);
    if (!selected.listError.empty()) {
        err << "velmorant-cli: " << selected.listError << std::endl;
        return someNotDone;
    }
    const RunPlan plan = planListing(selected.listing, o.paths[0], o.paths[1]);
    // Never "nothing to convert" for a folder that could not be read.
    for (const UnlistedFolder &unlisted : plan.unlisted)
        err << "not listed: " << shownName(unlisted.folder) << ": " << notListed(unlisted)
            << std::endl;
    for (const RefusedPath &refused : selected.refused)
        err << refusedLine(refused) << std::endl;
    const bool allListed = plan.unlisted.empty() && selected.refused.empty();
    std::vector<RepairJob> jobs;
    for (const PlannedFile &file : plan.files)
        jobs.push_back({file.source, file.destination});
    // Another share holds the files: nothing for this one to do.
    if (jobs.empty() && allListed && selected.beforeShard > 0) {
        err << emptyShareLine(*o.selection.shard, selected.beforeShard) << std::endl;
        return allDone;
    }
    if (jobs.empty() && allListed)
        err << "No file to convert." << std::endl;
    if (jobs.empty())
        return someNotDone;
    const int status = repairAll(jobs, o, out, err);
    return allListed ? status : someNotDone;
}

// A path to check, or a folder that could not be listed and why.
struct CheckEntry {
    std::string path;
    std::string unreadable;
};

// The paths to check, of the shard's share.
struct CheckList {
    std::vector<CheckEntry> files;
    std::size_t beforeShard = 0; // in every share
    std::string listError; // why the list of files could not be read
};

// A folder given to --check stands for its *.edf entries or the files its
// list names (or, if it cannot be listed, for itself, unreadable); anything
// else for itself.
CheckList filesToCheck(const Options &o)
{
    CheckList list;
    for (const std::string &path : o.paths) {
        if (!isFolder(path) && o.selection.filesFrom.empty()) {
            ++list.beforeShard;
            if (inShare(o, path))
                list.files.push_back({path, {}});
            continue;
        }
        const SelectedFiles selected = selectedFiles(o, path);
        list.beforeShard += selected.beforeShard;
        list.listError = selected.listError;
        for (const UnlistedFolder &unlisted : selected.listing.unlisted)
            list.files.push_back({unlisted.folder, notListed(unlisted)});
        for (const RefusedPath &refused : selected.refused)
            list.files.push_back({refused.listed, refused.reason});
        for (const std::string &name : selected.listing.names)
            list.files.push_back({joinedPath(path, name), {}});
    }
    return list;
}

FileCheck checkEntry(const CheckEntry &entry, bool thorough)
{
    if (entry.unreadable.empty())
        return checkFile(entry.path, thorough ? RecordReading::thorough : RecordReading::gaps,
                         DataReading::whereLonger);
    FileCheck unreadable;
    unreadable.readError = entry.unreadable;
    return unreadable;
}

int check(const Options &o, std::ostream &out, std::ostream &err)
{
    const CheckList list = filesToCheck(o);
    if (!list.listError.empty()) {
        err << "velmorant-cli: " << list.listError << std::endl;
        return someNotDone;
    }
    CorpusSummary summary;
    for (const CheckEntry &entry : list.files) {
        const std::string &file = entry.path;
        const FileCheck result = checkEntry(entry, o.thorough);
        summary.add(result, o.thorough);
        if (o.json)
            out << jsonLine(file, result, o.thorough) << std::endl;
        else if (!result.readError.empty())
            err << "not readable: " << shownName(file) << ": " << result.readError << std::endl;
        else
            out << checkReport(file, result, o.thorough) << std::flush;
    }
    // Over many files, which faults they have, before how many are sound.
    if (!o.json)
        out << (summary.files() > 1 ? summary.kindsText() : "") << summary.countLine() << std::endl;
    // A share of a run may hold no file of it.
    const bool emptyShare = summary.files() == 0 && list.beforeShard > 0;
    return summary.allSoundOrRepairable() || emptyShare ? allDone : someNotDone;
}

} // namespace

int runCommand(const Options &options, std::ostream &out, std::ostream &err)
{
    switch (options.command) {
    case Command::repairFile:
        return repairFile(options, out, err);
    case Command::repairFolder:
        return repairFolder(options, out, err);
    case Command::check:
        return check(options, out, err);
    case Command::summarize:
        return summarizeReports(options, out, err);
    case Command::help:
        out << helpText();
        return allDone;
    case Command::version:
        out << versionText();
        return allDone;
    }
    return someNotDone;
}

} // namespace velmorant
