#include "repair/engine/header_repair.h"

#include "edf/format/data_format.h"
#include "edf/format/edf_header.h"
#include "repair/engine/file_check.h"
#include "repair/engine/path_refusals.h"
#include "repair/platform/file_names.h"
#include "repair/staging/staged_copy.h"

#include <filesystem>

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

namespace fs = std::filesystem;

namespace velmorant {

bool HeaderRepair::repairHeader(const std::string &source, const std::string &destination)
{
    return repairFile({source, destination}).repaired;
}

FileOutcome HeaderRepair::repairFile(const RepairJob &job)
{
    FileOutcome outcome;
    repairAll({job}, {}, [&outcome](std::size_t, const FileOutcome &told) { outcome = told; });
    return outcome;
}

// The copy, patched and on its way to the disk, but not yet in place.
bool HeaderRepair::stageRepair(const RepairJob &job, StagingRun &run,
                               std::unique_ptr<StagedCopy> &copy, fs::path &destination,
                               FileOutcome &outcome)
{
    try {
        destination = toFsPath(job.destination);
        return stageAndRepair(toFsPath(job.source), destination, run, copy, outcome);
    } catch (const std::range_error &) {
        return fail(outcome.failure, RepairStep::badPathText);
    } catch (const std::exception &e) {
        if (edfFile)
            closeEdfFile();
        return fail(outcome.failure, RepairStep::unexpected, e.what());
    }
}

bool HeaderRepair::stageAndRepair(const fs::path &source, const fs::path &destination,
                                  StagingRun &run, std::unique_ptr<StagedCopy> &copy,
                                  FileOutcome &outcome)
{
    outcome.failure = pathRefusal(source, destination);
    if (outcome.failure.step != RepairStep::none)
        return false;
    FileNames names;
    for (const fs::path *path : {&source, &destination})
        for (const fs::path &part : *path)
            names.push_back(part.u8string());
    copy = std::make_unique<StagedCopy>(destination, run);
    if (deidentify)
        copy->keepPrivate();
    if (!copyStaged(*copy, source, outcome.failure) || !repairCopy(*copy, names, outcome))
        return false;
    copy->startWriteBack();
    return true;
}

bool HeaderRepair::copyStaged(StagedCopy &copy, const fs::path &source, RepairFailure &failure)
{
    bool cancelled = false;
    CopyProgress watched;
    if (copyProgress)
        watched = [this, &cancelled](std::uintmax_t copied, std::uintmax_t total) {
            cancelled = !copyProgress(copied, total);
            return !cancelled;
        };
    std::string reason;
    if (copy.copyFrom(source, reason, watched))
        return true;
    return cancelled ? fail(failure, RepairStep::cancelled)
                     : fail(failure, RepairStep::copy, reason);
}

bool HeaderRepair::repairCopy(StagedCopy &copy, const FileNames &names, FileOutcome &outcome)
{
    errno = 0;
    edfFile = copy.openForUpdate();
    if (!edfFile)
        return failWithSystemReason(outcome.failure, RepairStep::open);

    bool repaired = false;
    try {
        repaired = repairOpenCopy(copy.size(), names, outcome);
    } catch (const std::bad_alloc &) {
        fail(outcome.failure, RepairStep::outOfMemory);
    }
    const bool closed = closeEdfFile();
    if (repaired && !closed)
        return failWithSystemReason(outcome.failure, RepairStep::close);
    return repaired && closed;
}

// The patch, the clearing of the identity where asked, then the check of
// what the copy now holds.
bool HeaderRepair::repairOpenCopy(std::uintmax_t fileSize, const FileNames &names,
                                  FileOutcome &outcome)
{
    std::string header;
    RepairPreview patched;
    if (!readHeader(header, outcome.failure))
        return false;
    if (header.size() >= fixedHeaderSize)
        outcome.format = formatName(header);
    if (!patchOpenCopy(header, fileSize, patched, outcome.failure))
        return false;
    if (deidentify
        && !deidentifyCopy(edfFile, header, patched.header, patched.signalCount, patched.keptSize,
                           *deidentify, names, outcome.deidentified, outcome.failure))
        return false;
    // De-identification wrote more of the header than the repair did.
    if (deidentify)
        outcome.check = checkWrittenCopy(edfFile, patched.keptSize);
    else
        outcome.check
            = checkWrittenCopy(edfFile, patched.keptSize, patched.header,
                               patched.headerFindings ? &*patched.headerFindings : nullptr);
    outcome.repair = std::move(patched);
    return true;
}

// Only to the system: the commit waits for the disk, for many files at once.
bool HeaderRepair::closeEdfFile()
{
    errno = 0;
    const bool flushed = std::fflush(edfFile) == 0;
    const bool closed = std::fclose(edfFile) == 0;
    edfFile = nullptr;
    return flushed && closed;
}

bool HeaderRepair::fail(RepairFailure &failure, RepairStep step, std::string reason)
{
    failure = RepairFailure{step, {}, {}, std::move(reason)};
    return false;
}

bool HeaderRepair::failWithSystemReason(RepairFailure &failure, RepairStep step)
{
    return fail(failure, step, errno != 0 ? std::strerror(errno) : std::string());
}

} // namespace velmorant
