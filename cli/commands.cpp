#include "cli/commands.h"

#include "cli/deidentify_run.h"
#include "cli/json_line.h"
#include "cli/progress_line.h"
#include "cli/report.h"
#include "repair/deidentify/key_file.h"
#include "repair/engine/file_check.h"
#include "repair/engine/header_repair.h"

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

// The key's row for a de-identified copy; without it the copy cannot be
// traced back, so a row not written fails the file.
bool writeKey(const RepairJob &job, const Deidentification &deidentified, const Options &o,
              std::ostream &err)
{
    if (o.keyFile.empty())
        return true;
    std::string reason;
    if (appendToPrivateFile(o.keyFile, keyHeading(),
                            keyRow(job.destination, job.source, deidentified), reason))
        return true;
    err << "key not written: " << shownName(o.keyFile) << ": " << shownName(job.destination) << ": "
        << reason << std::endl;
    return false;
}

bool deidentifiedAfterward(const RepairJob &job, const Deidentification &deidentified,
                           const Options &o, std::ostream &err)
{
    const std::string warning = fileNameWarning(deidentified);
    if (!warning.empty())
        err << "warning: " << shownName(job.destination) << ": " << warning << std::endl;
    return writeKey(job, deidentified, o, err);
}

// Says how one file went; a repaired copy that still disagrees with the EDF
// rules (a record count that did not divide evenly, say) is warned about.
bool reportOne(const FileOutcome &outcome, const RepairJob &job, const Options &o,
               std::ostream &out, std::ostream &err)
{
    const std::vector<CheckedFinding> warnings
        = outcome.repaired ? stillFound(outcome.check) : std::vector<CheckedFinding>{};
    if (o.json) {
        out << jsonRepairLine(job.source, job.destination, outcome, warnings, o.deidentify)
            << std::endl;
        return outcome.repaired && (!o.deidentify || writeKey(job, outcome.deidentified, o, err));
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
    return !o.deidentify || deidentifiedAfterward(job, outcome.deidentified, o, err);
}

int repairAll(const std::vector<RepairJob> &jobs, const Options &o, std::ostream &out,
              std::ostream &err)
{
    std::vector<std::string> sources;
    for (const RepairJob &job : jobs)
        sources.push_back(job.source);
    const DeidentifyPlan plan = planDeidentification(o, sources);
    if (!plan.error.empty()) {
        err << "velmorant-cli: " << plan.error << std::endl;
        return someNotDone;
    }
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
            if (o.recursive)
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
            << (o.deidentify ? " and de-identified" : "") << std::endl;
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
    const RunPlan plan = planFolder(o.paths[0], o.paths[1], o.recursive);
    // Never "nothing to convert" for a folder that could not be read.
    for (const UnlistedFolder &unlisted : plan.unlisted)
        err << "not listed: " << shownName(unlisted.folder) << ": " << notListed(unlisted)
            << std::endl;
    std::vector<RepairJob> jobs;
    for (const PlannedFile &file : plan.files)
        jobs.push_back({file.source, file.destination});
    if (jobs.empty() && plan.unlisted.empty())
        err << "No file to convert." << std::endl;
    if (jobs.empty())
        return someNotDone;
    const int status = repairAll(jobs, o, out, err);
    return plan.unlisted.empty() ? status : someNotDone;
}

// A path to check, or a folder that could not be listed and why.
struct CheckEntry {
    std::string path;
    std::string unreadable;
};

// A folder given to --check stands for its *.edf entries (or, if it cannot
// be listed, for itself, unreadable); anything else for itself.
std::vector<CheckEntry> filesToCheck(const Options &o)
{
    std::vector<CheckEntry> files;
    for (const std::string &path : o.paths) {
        if (!isFolder(path)) {
            files.push_back({path, {}});
            continue;
        }
        const EdfListing listing = edfListing(path, o.recursive);
        for (const UnlistedFolder &unlisted : listing.unlisted)
            files.push_back({unlisted.folder, notListed(unlisted)});
        for (const std::string &name : listing.names)
            files.push_back({joinedPath(path, name), {}});
    }
    return files;
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
    const std::vector<CheckEntry> files = filesToCheck(o);
    int sound = 0, repairable = 0, thoroughRepairable = 0;
    for (const CheckEntry &entry : files) {
        const std::string &file = entry.path;
        const FileCheck result = checkEntry(entry, o.thorough);
        sound += result.sound ? 1 : 0;
        repairable += !result.sound && result.soundAfterRepair ? 1 : 0;
        thoroughRepairable += o.thorough && !result.sound && !result.soundAfterRepair
                && result.soundAfterThoroughRepair
            ? 1
            : 0;
        if (o.json)
            out << jsonLine(file, result, o.thorough) << std::endl;
        else if (!result.readError.empty())
            err << "not readable: " << shownName(file) << ": " << result.readError << std::endl;
        else
            out << checkReport(file, result, o.thorough) << std::flush;
    }
    const int total = static_cast<int>(files.size());
    if (!o.json)
        out << (o.thorough ? checkSummary(sound, repairable, thoroughRepairable, total)
                           : checkSummary(sound, repairable, total))
            << std::endl;
    return total > 0 && sound + repairable + thoroughRepairable == total ? allDone : someNotDone;
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
