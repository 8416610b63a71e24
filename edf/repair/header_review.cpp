#include "edf/repair/header_review.h"

#include "edf/deidentify/annotation_redaction.h"
#include "edf/deidentify/deidentify.h"
#include "edf/format/data_format.h"
#include "edf/format/edf_header.h"
#include "edf/format/written_seconds.h"
#include "edf/repair/thorough_repair.h"
#include "edf/rules/timekeeping.h"

#include <algorithm>

namespace velmorant {

namespace {

// The findings of the header a repair would write; those of the file as it
// stands when the repair would fail before patching anything.
std::vector<Finding> patchedFindings(const RepairPreview &preview,
                                     const std::vector<Finding> &before)
{
    return preview.header.empty() ? before : checkHeader(preview.header, preview.keptSize);
}

void explainThorough(CheckedFinding &f, const RepairPreview &thorough,
                     const std::vector<Finding> &afterThorough)
{
    f.repairedThorough = thorough.succeeds && !containsFault(afterThorough, f.finding);
    if (f.repaired || f.repairedThorough)
        return;
    f.whyNotRepaired = containsFault(afterThorough, f.finding)
        ? whyUnsettled(f.finding)
        : "the thorough repair fixes it but refuses the file for its other faults";
}

void readTimekeeping(FileCheck &check, const std::string &header, std::uintmax_t fileSize,
                     RecordBytes &data, bool countGaps)
{
    const Timekeeping read = checkTimekeeping(header, fileSize, data, countGaps);
    check.annotationFaults = read.faults;
    check.timekeepingRead = read.read;
    check.gaps = read.gaps;
    check.longestGap = secondsText(read.longestGap);
}

std::vector<Finding> withDamage(std::vector<Finding> findings, const TransferDamage &damage)
{
    if (damage.kind != TransferDamageKind::none)
        findings.insert(findings.begin(), transferFinding(damage));
    return findings;
}

// Dates in the first and the last record's annotation texts; with the
// thorough check, every record's, and the header's own identity there too.
void addAnnotationsIdentifying(std::vector<std::string> &identifying, const std::string &header,
                               std::uintmax_t fileSize, RecordBytes &data, bool thorough)
{
    const Needles needles = thorough
        ? identityOf(fieldText(header.data(), FixedField::patient), true, {},
                     fieldText(header.data(), FixedField::recording))
              .all()
        : Needles{};
    for (std::string &found : identifyingAnnotations(header, fileSize, data, needles, thorough))
        identifying.push_back(std::move(found));
}

} // namespace

FileCheck checkHeaderBytes(const std::string &header, std::uintmax_t fileSize, RecordBytes *data,
                           RecordReading reading, const TransferDamage &damage)
{
    FileCheck check;
    const std::vector<Finding> before = withDamage(checkHeader(header, fileSize), damage);
    if (data)
        readTimekeeping(check, header, fileSize, *data, reading != RecordReading::ends);
    check.preview = previewRepair(header, fileSize);
    const bool thorough = reading == RecordReading::thorough;
    check.thorough
        = previewRepair(header, fileSize, RepairMode::thorough, thorough ? data : nullptr, damage);
    // The usual repair copies the data as it is; a preview that succeeds has
    // checked the header it would write.
    const std::vector<Finding> after = check.preview.succeeds
        ? withDamage(check.preview.headerFindings.value(), damage)
        : before;
    const std::vector<Finding> afterThorough = check.thorough.header.empty() || damage.reversible()
        ? patchedFindings(check.thorough, before)
        : withDamage(patchedFindings(check.thorough, before), damage);
    for (const Finding &f : before)
        check.findings.push_back({f, !containsFault(after, f), false});
    for (const Finding &f : after)
        if (!containsFault(before, f))
            check.findings.push_back({f, false, true});
    for (CheckedFinding &f : check.findings) {
        explainThorough(f, check.thorough, afterThorough);
        if (f.finding.rule == Rule::fileSize && !f.repairedThorough
            && damage.kind != TransferDamageKind::none)
            f.whyNotRepaired = "the surplus is what the transfer added to the data";
    }
    const bool recordsSound = check.annotationFaults.empty();
    // A recorder file's records follow each other once its duration is repaired.
    check.timekeepingRepaired = data && !recordsSound && check.preview.succeeds
        && check.preview.header.compare(0, fixedHeaderSize, header, 0, fixedHeaderSize) != 0
        && checkTimekeeping(check.preview.header, fileSize, *data, reading != RecordReading::ends)
               .faults.empty();
    const bool recordsSoundAfterRepair = recordsSound || check.timekeepingRepaired;
    check.sound = !hasError(before) && recordsSound;
    check.soundAfterRepair = !hasError(after) && recordsSoundAfterRepair;
    // Records walked by the thorough preview, or restored from a transfer
    // before the repair walks them, are not judged as the file holds them.
    const bool recordsWalked
        = (thorough && damage.kind == TransferDamageKind::none) || damage.reversible();
    check.soundAfterThoroughRepair
        = check.thorough.succeeds && (recordsWalked || recordsSoundAfterRepair);
    if (header.size() >= fixedHeaderSize) {
        check.identifying = identifyingFields(header);
        check.format = formatName(header);
    }
    if (data && header.size() >= fixedHeaderSize)
        addAnnotationsIdentifying(check.identifying, header, fileSize, *data, thorough);
    return check;
}

FileCheck checkRepairedCopy(const std::string &header, std::uintmax_t fileSize, RecordBytes *data,
                            const std::vector<Finding> *headerFindings)
{
    FileCheck check;
    if (data)
        readTimekeeping(check, header, fileSize, *data, false);
    if (!check.annotationFaults.empty()
        || !(headerFindings ? *headerFindings : checkHeader(header, fileSize)).empty())
        return checkHeaderBytes(header, fileSize, data, RecordReading::ends);
    check.sound = true;
    return check;
}

} // namespace velmorant
