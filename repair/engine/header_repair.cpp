#include "repair/engine/header_repair.h"

#include "edf/deidentify/deidentify.h"
#include "edf/repair/repair_preview.h"
#include "repair/engine/file_check.h"
#include "repair/platform/file_system.h"
#include "repair/records/data_area.h"
#include "repair/records/record_reader.h"
#include "repair/staging/staged_copy.h"

#include <filesystem>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

namespace fs = std::filesystem;

namespace velmorant {

namespace {

std::string systemReason()
{
    return errno != 0 ? std::strerror(errno) : std::string();
}

// What a path names when that is not a regular file, as a reason.
std::string whatItIs(const fs::file_status &status)
{
    switch (status.type()) {
    case fs::file_type::directory:
        return "it is a folder";
    case fs::file_type::character:
        return "it is a character device";
    case fs::file_type::block:
        return "it is a block device";
    case fs::file_type::fifo:
        return "it is a FIFO";
    case fs::file_type::socket:
        return "it is a socket";
    default:
        return "";
    }
}

// A device, FIFO, socket or folder at the destination stays as it is; only
// a regular file or a link (the link itself) is replaced. A name the system
// refuses (one too long, say) is refused before a long copy, not after it.
// No step while the destination may be replaced.
RepairFailure destinationRefusal(const fs::path &destination, const fs::file_status &status,
                                 const std::error_code &error)
{
    if (namesDevice(destination))
        return {RepairStep::destinationNotRegularFile, {}, {}, "it is a character device"};
    if (status.type() == fs::file_type::none)
        return {RepairStep::copy, {}, {}, "the destination cannot be reached: " + error.message()};
    if (!fs::exists(status) || fs::is_regular_file(status) || fs::is_symlink(status))
        return {};
    return {RepairStep::destinationNotRegularFile, {}, {}, whatItIs(status)};
}

} // namespace

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
    std::error_code error, destinationError;
    const fs::file_status there = fs::symlink_status(destination, destinationError);
    // Copying a file onto itself would truncate it; only a name that exists
    // can lead to the source.
    if (fs::exists(there) && fs::equivalent(source, destination, error))
        return fail(RepairStep::sameFile);
    const fs::file_status status = fs::status(source, error);
    if (error)
        return fail(RepairStep::copy, "the source cannot be read: " + error.message());
    if (!fs::is_regular_file(status))
        return fail(RepairStep::sourceNotRegularFile, whatItIs(status));
    failure = destinationRefusal(destination, there, destinationError);
    if (failure.step != RepairStep::none)
        return false;

    fileNames = {source.filename().u8string(), destination.filename().u8string()};
    copy = std::make_unique<StagedCopy>(destination, run);
    if (!copyStaged(*copy, source) || !repairCopy(*copy))
        return false;
    copy->startWriteBack();
    return true;
}

// Touches nothing but its arguments: it may run on a thread of its own.
RepairFailure HeaderRepair::commitStaged(StagedCopy &copy, const fs::path &destination,
                                         bool fileSystemSynced)
{
    // Checked again, as it may have changed during a long copy.
    std::error_code error;
    RepairFailure refused
        = destinationRefusal(destination, fs::symlink_status(destination, error), error);
    if (refused.step != RepairStep::none)
        return refused;
    std::string reason;
    if (!copy.commit(reason, fileSystemSynced))
        return {RepairStep::commit, {}, {}, reason};
    return {};
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
        return fail(RepairStep::open, systemReason());

    bool patched = false;
    try {
        patched = patchOpenCopy(copy.size());
    } catch (const std::bad_alloc &) {
        fail(RepairStep::outOfMemory);
    }
    const bool closed = closeEdfFile();
    if (patched && !closed)
        return fail(RepairStep::close, systemReason());
    return patched && closed;
}

// The check and the repair share one reading of the header, so that what a
// check promises is what the repair does.
bool HeaderRepair::patchOpenCopy(std::uintmax_t fileSize)
{
    std::string header;
    if (!readHeader(header))
        return false;
    TransferDamage damage;
    errno = 0;
    if (mode == RepairMode::thorough
        && (std::fseek(edfFile, static_cast<long>(header.size()), SEEK_SET) != 0
            || !readTransferDamage(edfFile, header, fileSize, damage)))
        return fail(RepairStep::readData, systemReason());
    // Fields about to be cleared cannot make the thorough repair refuse.
    const bool clearing = deidentify && header.size() >= fixedHeaderSize;
    const std::string judged = clearing ? clearedHeader(header, 0).header : header;
    RecordReader records(edfFile);
    RepairPreview preview = previewRepair(judged, fileSize, mode, &records, damage);
    if (!records.failure().empty())
        return fail(RepairStep::readAnnotations, records.failure());
    if (!preview.succeeds) {
        failure = preview.failure;
        return false;
    }
    if (damage.reversible()
        && (!restoreData(damage, header.size())
            || !walkRestoredRecords(judged, damage.restoredSize(fileSize), preview)))
        return false;
    std::copy_n(preview.header.data(), sizeof edfHeader, edfHeader);
    if (!writeHeader(preview.header)
        || (preview.keptSize < fileSize && !shortenTo(preview.keptSize)))
        return false;
    if (deidentify
        && !deidentifyCopy(edfFile, header, preview.header, preview.signalCount, preview.keptSize,
                           *deidentify, fileNames, deidentified, failure))
        return false;
    // De-identification wrote more of the header than the repair did.
    checked
        = checkWrittenCopy(edfFile, preview.keptSize, deidentify ? std::string() : preview.header);
    repaired = std::move(preview);
    return true;
}

// The copy's data area as it was before a line feed conversion; the bytes
// it no longer needs are cut off with the rest.
bool HeaderRepair::restoreData(const TransferDamage &damage, std::size_t headerBytes)
{
    std::uintmax_t removed = 0;
    errno = 0;
    if (std::fseek(edfFile, static_cast<long>(headerBytes), SEEK_SET) != 0
        || !removeInsertedCarriageReturns(edfFile, removed))
        return fail(RepairStep::writeData, systemReason());
    // The copy is this repair's own: anything else means it changed under it.
    if (removed != damage.removedBytes())
        return fail(RepairStep::readData, "the copy changed while it was restored");
    return true;
}

// The records' time-keeping can be judged only where the records lie, once
// the copy holds them restored: the same preview again, over the copy.
bool HeaderRepair::walkRestoredRecords(const std::string &header, std::uintmax_t restoredSize,
                                       RepairPreview &preview)
{
    RecordReader restored(edfFile);
    RepairPreview walked = previewRepair(header, restoredSize, mode, &restored);
    if (!restored.failure().empty())
        return fail(RepairStep::readAnnotations, restored.failure());
    if (!walked.succeeds) {
        failure = walked.failure;
        return false;
    }
    walked.carriageReturnsRemoved = preview.carriageReturnsRemoved;
    preview = std::move(walked);
    return true;
}

// The fixed header into edfHeader, then as much of the signal header as the
// repair reads. Only bytes of this file are ever parsed: a short read leaves a
// short header, never the previous file's.
bool HeaderRepair::readHeader(std::string &header)
{
    const bool read = readHeaderAt(edfFile, header);
    std::copy_n(header.data(), std::min(header.size(), sizeof edfHeader), edfHeader);
    if (!read)
        return fail(RepairStep::readFixedHeader, systemReason());
    return true;
}

bool HeaderRepair::writeHeader(const std::string &header)
{
    errno = 0;
    if (!velmorant::writeAt(edfFile, 0, header.data(), header.size()))
        return fail(RepairStep::write, systemReason());
    return true;
}

// One truncation, whatever the file's size: on a copy-on-write file system
// the copy stays a clone of the source.
bool HeaderRepair::shortenTo(std::uintmax_t size)
{
    errno = 0;
    if (!truncateFile(edfFile, size))
        return fail(RepairStep::write, systemReason());
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

} // namespace velmorant
