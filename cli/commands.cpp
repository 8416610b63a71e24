#include "commands.h"

#include "file_check.h"
#include "header_repair.h"
#include "json_line.h"
#include "paths.h"
#include "progress_line.h"
#include "report.h"

#include "file_system.h"

#include <boost/filesystem/operations.hpp>

#include <stdexcept>

namespace velmorant {

namespace {

constexpr int allDone = 0;
constexpr int someNotDone = 1;

struct Job {
    std::string source;
    std::string destination;
};

bool isFolder(const std::string &pathUtf8)
{
    try {
        boost::system::error_code error;
        return boost::filesystem::is_directory(toFsPath(pathUtf8), error);
    } catch (const std::range_error &) {
        return false;
    }
}

// Repairs one file and says so; a repaired copy that still disagrees with
// the EDF rules (a record count that did not divide evenly, say) is warned about.
bool repairOne(HeaderRepair &repair, const Job &job, std::ostream &out, std::ostream &err,
               ProgressLine &progress)
{
    progress.startFile(job.source);
    const bool repaired = repair.repairHeader(job.source, job.destination);
    progress.clear();
    if (!repaired) {
        err << "not repaired: " << job.source << " -> " << job.destination << ": "
            << describe(repair.lastFailure()) << std::endl;
        return false;
    }
    out << "repaired: " << job.source << " -> " << job.destination << std::endl;
    for (const CheckedFinding &f : checkFile(job.destination).findings)
        err << "warning: " << job.destination << ": " << findingText(f.finding) << std::endl;
    return true;
}

int repairAll(const std::vector<Job> &jobs, std::ostream &out, std::ostream &err)
{
    HeaderRepair repair;
    ProgressLine progress(err, repair, jobs.size());
    int repaired = 0;
    for (const Job &job : jobs)
        repaired += repairOne(repair, job, out, err, progress) ? 1 : 0;
    out << repairSummary(repaired, static_cast<int>(jobs.size())) << std::endl;
    return repaired == static_cast<int>(jobs.size()) ? allDone : someNotDone;
}

int repairFile(const Options &o, std::ostream &out, std::ostream &err)
{
    const std::string &source = o.paths[0];
    const std::string destination = o.paths.size() > 1 ? o.paths[1] : derivedDestination(source);
    return repairAll({{source, destination}}, out, err);
}

int repairFolder(const Options &o, std::ostream &out, std::ostream &err)
{
    const std::string &sourceFolder = o.paths[0], &destinationFolder = o.paths[1];
    for (const std::string &folder : o.paths)
        if (!isFolder(folder)) {
            err << "velmorant-cli: " << folder << " is not a folder" << std::endl;
            return someNotDone;
        }
    std::vector<Job> jobs;
    for (const std::string &name : edfEntries(sourceFolder))
        jobs.push_back({joinedPath(sourceFolder, name), joinedPath(destinationFolder, name)});
    if (jobs.empty()) {
        err << "No file to convert." << std::endl;
        return someNotDone;
    }
    return repairAll(jobs, out, err);
}

// A folder given to --check stands for its *.edf entries; anything else for itself.
std::vector<std::string> filesToCheck(const std::vector<std::string> &paths)
{
    std::vector<std::string> files;
    for (const std::string &path : paths) {
        if (!isFolder(path)) {
            files.push_back(path);
            continue;
        }
        for (const std::string &name : edfEntries(path))
            files.push_back(joinedPath(path, name));
    }
    return files;
}

int check(const Options &o, std::ostream &out, std::ostream &err)
{
    const std::vector<std::string> files = filesToCheck(o.paths);
    int sound = 0, repairable = 0;
    for (const std::string &file : files) {
        const FileCheck result = checkFile(file);
        sound += result.sound ? 1 : 0;
        repairable += !result.sound && result.soundAfterRepair ? 1 : 0;
        if (o.json)
            out << jsonLine(file, result) << std::endl;
        else if (!result.readError.empty())
            err << "not readable: " << file << ": " << result.readError << std::endl;
        else
            out << checkReport(file, result) << std::flush;
    }
    const int total = static_cast<int>(files.size());
    if (!o.json)
        out << checkSummary(sound, repairable, total) << std::endl;
    return total > 0 && sound + repairable == total ? allDone : someNotDone;
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
