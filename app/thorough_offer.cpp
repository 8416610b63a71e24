#include "app/thorough_offer.h"

#include "edf/wording/change_text.h"

namespace velmorant {

namespace {

QStringList qtLines(const std::vector<std::string> &lines)
{
    QStringList texts;
    for (const std::string &line : lines)
        texts << QString::fromStdString(line);
    return texts;
}

} // namespace

QStringList ThoroughOffer::consider(const RunEntry &entry, const RepairFailure *failure)
{
    const FileCheck check = checkPath(entry.source);
    // A repair that failed other than the header foretells (the same file,
    // a full disk, ...) would fail thoroughly as well.
    const bool failedForHeader
        = !failure || (!check.preview.succeeds && check.preview.failure.step == failure->step);
    if (!check.readError.empty() || check.soundAfterRepair || !check.soundAfterThoroughRepair
        || !failedForHeader)
        return {};
    offered.append(entry);
    usualRepairs.push_back(check.preview);
    return qtLines(thoroughChangeLines(check));
}

QStringList ThoroughOffer::changesMade(int index, const RepairPreview &made) const
{
    return qtLines(changeLines(changesBeyond(made, usualRepairs.at(index)), made.leftOut,
                               made.carriageReturnsRemoved));
}

} // namespace velmorant
