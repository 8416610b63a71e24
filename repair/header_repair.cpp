#include "header_repair.h"

#include "file_system.h"
#include "repair_preview.h"
#include "staged_copy.h"

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

} // namespace

bool HeaderRepair::repairHeader(const std::string &source, const std::string &destination)
{
    failure = RepairFailure{};
    repaired = RepairPreview{};
    try {
        return stageAndRepair(toFsPath(source), toFsPath(destination));
    } catch (const std::range_error &) {
        return fail(RepairStep::badPathText);
    } catch (const std::exception &e) {
        if (edfFile)
            closeEdfFile();
        return fail(RepairStep::unexpected, e.what());
    }
}

bool HeaderRepair::stageAndRepair(const fs::path &source, const fs::path &destination)
{
    std::error_code error;
    // Copying a file onto itself would truncate it.
    if (fs::equivalent(source, destination, error))
        return fail(RepairStep::sameFile);
    const fs::file_status status = fs::status(source, error);
    if (error)
        return fail(RepairStep::copy, "the source cannot be read: " + error.message());
    if (!fs::is_regular_file(status))
        return fail(RepairStep::sourceNotRegularFile, whatItIs(status));
    if (!refuseUnlessReplaceable(destination))
        return false;

    StagedCopy copy(destination);
    if (!copyStaged(copy, source))
        return false;
    // Checked again, as it may have changed during a long copy.
    if (!repairCopy(copy) || !refuseUnlessReplaceable(destination))
        return false;
    std::string reason;
    if (!copy.commit(reason))
        return fail(RepairStep::commit, reason);
    return true;
}

// A device, FIFO, socket or folder at the destination stays as it is; only
// a regular file or a link (the link itself) is replaced. A name the system
// refuses (one too long, say) is refused before a long copy, not after it.
bool HeaderRepair::refuseUnlessReplaceable(const fs::path &destination)
{
    if (namesDevice(destination))
        return fail(RepairStep::destinationNotRegularFile, "it is a character device");
    std::error_code error;
    const fs::file_status status = fs::symlink_status(destination, error);
    if (status.type() == fs::file_type::none)
        return fail(RepairStep::copy, "the destination cannot be reached: " + error.message());
    if (!fs::exists(status) || fs::is_regular_file(status) || fs::is_symlink(status))
        return true;
    return fail(RepairStep::destinationNotRegularFile, whatItIs(status));
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
    RepairPreview preview = previewRepair(header, fileSize, mode);
    if (!preview.succeeds) {
        failure = preview.failure;
        return false;
    }
    std::copy_n(preview.header.data(), sizeof edfHeader, edfHeader);
    if (!writeAt(0, preview.header.data(), preview.header.size())
        || (preview.keptSize < fileSize && !shortenTo(preview.keptSize)))
        return false;
    repaired = std::move(preview);
    return true;
}

// The fixed header into edfHeader, then as much of the signal header as the
// repair reads. Only bytes of this file are ever parsed: a short read leaves a
// short header, never the previous file's.
bool HeaderRepair::readHeader(std::string &header)
{
    errno = 0;
    const std::size_t got = std::fread(edfHeader, 1, sizeof edfHeader, edfFile);
    header.assign(edfHeader, got);
    const std::size_t extent = previewExtent(header);
    if (extent > header.size()) {
        header.resize(extent);
        const std::size_t more = std::fread(&header[got], 1, extent - got, edfFile);
        header.resize(got + more);
    }
    if (std::ferror(edfFile))
        return fail(RepairStep::readFixedHeader, systemReason());
    return true;
}

bool HeaderRepair::writeAt(std::uint32_t offset, const char *data, std::size_t size)
{
    errno = 0;
    if (size > 0
        && (std::fseek(edfFile, static_cast<long>(offset), SEEK_SET) != 0
            || std::fwrite(data, 1, size, edfFile) != size))
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

bool HeaderRepair::closeEdfFile()
{
    errno = 0;
    const bool flushed = flushToDisk(edfFile);
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
