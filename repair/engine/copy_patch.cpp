#include "repair/engine/header_repair.h"

#include "edf/deidentify/deidentify.h"
#include "edf/format/edf_header.h"
#include "repair/engine/file_check.h"
#include "repair/platform/positioned_io.h"
#include "repair/records/data_area.h"
#include "repair/records/record_reader.h"

#include <algorithm>
#include <cerrno>

namespace velmorant {

// The fixed header into edfHeader, then as much of the signal header as the
// repair reads. Only bytes of this file are ever parsed: a short read leaves a
// short header, never the previous file's.
bool HeaderRepair::readHeader(std::string &header, RepairFailure &failure)
{
    const bool read = readHeaderAt(edfFile, header);
    std::copy_n(header.data(), std::min(header.size(), sizeof edfHeader), edfHeader);
    return read || failWithSystemReason(failure, RepairStep::readFixedHeader);
}

// The check and the repair share one reading of the header, so that what a
// check promises is what the repair does.
bool HeaderRepair::patchOpenCopy(const std::string &header, std::uintmax_t fileSize,
                                 RepairPreview &preview, RepairFailure &failure)
{
    TransferDamage damage;
    errno = 0;
    if (mode == RepairMode::thorough
        && (std::fseek(edfFile, static_cast<long>(header.size()), SEEK_SET) != 0
            || !readTransferDamage(edfFile, header, fileSize, damage)))
        return failWithSystemReason(failure, RepairStep::readData);
    // Fields about to be cleared cannot make the thorough repair refuse; the
    // date is judged as the repair leaves it, before it is moved.
    const bool clearing = deidentify && header.size() >= fixedHeaderSize;
    const std::string judged
        = clearing ? clearedHeader(header, 0, Identity{}, true).header : header;
    RecordReader records(edfFile);
    preview = previewRepair(judged, fileSize, mode, &records, damage);
    if (!records.failure().empty())
        return fail(failure, RepairStep::readAnnotations, records.failure());
    if (!preview.succeeds) {
        failure = preview.failure;
        return false;
    }
    if (damage.reversible()
        && (!restoreData(damage, header.size(), failure)
            || !walkRestoredRecords(judged, damage.restoredSize(fileSize), preview, failure)))
        return false;
    std::copy_n(preview.header.data(), sizeof edfHeader, edfHeader);
    return writeHeader(preview.header, failure)
        && (preview.keptSize >= fileSize || shortenTo(preview.keptSize, failure));
}

// The copy's data area as it was before a line feed conversion; the bytes
// it no longer needs are cut off with the rest.
bool HeaderRepair::restoreData(const TransferDamage &damage, std::size_t headerBytes,
                               RepairFailure &failure)
{
    std::uintmax_t removed = 0;
    errno = 0;
    if (std::fseek(edfFile, static_cast<long>(headerBytes), SEEK_SET) != 0
        || !removeInsertedCarriageReturns(edfFile, removed))
        return failWithSystemReason(failure, RepairStep::writeData);
    // The copy is this repair's own: anything else means it changed under it.
    if (removed != damage.removedBytes())
        return fail(failure, RepairStep::readData, "the copy changed while it was restored");
    return true;
}

// The records' time-keeping can be judged only where the records lie, once
// the copy holds them restored: the same preview again, over the copy.
bool HeaderRepair::walkRestoredRecords(const std::string &header, std::uintmax_t restoredSize,
                                       RepairPreview &preview, RepairFailure &failure)
{
    RecordReader restored(edfFile);
    RepairPreview walked = previewRepair(header, restoredSize, mode, &restored);
    if (!restored.failure().empty())
        return fail(failure, RepairStep::readAnnotations, restored.failure());
    if (!walked.succeeds) {
        failure = walked.failure;
        return false;
    }
    walked.carriageReturnsRemoved = preview.carriageReturnsRemoved;
    preview = std::move(walked);
    return true;
}

bool HeaderRepair::writeHeader(const std::string &header, RepairFailure &failure)
{
    errno = 0;
    return velmorant::writeAt(edfFile, 0, header.data(), header.size())
        || failWithSystemReason(failure, RepairStep::write);
}

// One truncation, whatever the file's size: on a copy-on-write file system
// the copy stays a clone of the source.
bool HeaderRepair::shortenTo(std::uintmax_t size, RepairFailure &failure)
{
    errno = 0;
    return truncateFile(edfFile, size) || failWithSystemReason(failure, RepairStep::write);
}

} // namespace velmorant
