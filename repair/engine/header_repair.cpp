#include "repair/engine/header_repair.h"

#include "repair/engine/file_check.h"
#include "repair/engine/path_refusals.h"
#include "repair/platform/file_system.h"
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
    bool done = false;
    repairAll({{source, destination}}, {},
              [&done](std::size_t, bool repaired) { done = repaired; });
    return done;
}

// The copy, patched and on its way to the disk, but not yet in place.
bool HeaderRepair::stageRepair(const RepairJob &job, StagingRun &run,
                               std::unique_ptr<StagedCopy> &copy, fs::path &destination)
{
    failure = RepairFailure{};
    repaired = RepairPreview{};
    deidentified = Deidentification{};
    checked = FileCheck{};
    try {
        destination = toFsPath(job.destination);
        return stageAndRepair(toFsPath(job.source), destination, run, copy);
    } catch (const std::range_error &) {
        return fail(RepairStep::badPathText);
    } catch (const std::exception &e) {
        if (edfFile)
            closeEdfFile();
        return fail(RepairStep::unexpected, e.what());
    }
}

bool HeaderRepair::stageAndRepair(const fs::path &source, const fs::path &destination,
                                  StagingRun &run, std::unique_ptr<StagedCopy> &copy)
{
    failure = pathRefusal(source, destination);
    if (failure.step != RepairStep::none)
        return false;
    fileNames = {source.filename().u8string(), destination.filename().u8string()};
    copy = std::make_unique<StagedCopy>(destination, run);
    if (!copyStaged(*copy, source) || !repairCopy(*copy))
        return false;
    copy->startWriteBack();
    return true;
}

bool HeaderRepair::copyStaged(StagedCopy &copy, const fs::path &source)
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
    return cancelled ? fail(RepairStep::cancelled) : fail(RepairStep::copy, reason);
}

bool HeaderRepair::repairCopy(StagedCopy &copy)
{
    errno = 0;
    edfFile = copy.openForUpdate();
    if (!edfFile)
        return failWithSystemReason(RepairStep::open);

    bool done = false;
    try {
        done = repairOpenCopy(copy.size());
    } catch (const std::bad_alloc &) {
        fail(RepairStep::outOfMemory);
    }
    const bool closed = closeEdfFile();
    if (done && !closed)
        return failWithSystemReason(RepairStep::close);
    return done && closed;
}

// The patch, the clearing of the identity where asked, then the check of
// what the copy now holds.
bool HeaderRepair::repairOpenCopy(std::uintmax_t fileSize)
{
    std::string header;
    RepairPreview patched;
    if (!readHeader(header) || !patchOpenCopy(header, fileSize, patched))
        return false;
    if (deidentify
        && !deidentifyCopy(edfFile, header, patched.header, patched.signalCount, patched.keptSize,
                           *deidentify, fileNames, deidentified, failure))
        return false;
    // De-identification wrote more of the header than the repair did.
    checked
        = checkWrittenCopy(edfFile, patched.keptSize, deidentify ? std::string() : patched.header);
    repaired = std::move(patched);
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

bool HeaderRepair::fail(RepairStep step, std::string reason)
{
    failure = RepairFailure{step, {}, {}, std::move(reason)};
    return false;
}

bool HeaderRepair::failWithSystemReason(RepairStep step)
{
    return fail(step, errno != 0 ? std::strerror(errno) : std::string());
}

} // namespace velmorant
