#include "thorough_offer.h"

#include "change_text.h"

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

QStringList ThoroughOffer::consider(const RunEntry &entry)
{
    const FileCheck check = checkPath(entry.source);
    // A file the usual repair settles failed for another reason, which the
    // thorough repair would meet as well.
    if (!check.readError.empty() || check.soundAfterRepair || !check.soundAfterThoroughRepair)
        return {};
    offered.append(entry);
    usualRepairs.push_back(check.preview);
    return qtLines(thoroughChangeLines(check));
}

QStringList ThoroughOffer::changesMade(int index, const RepairPreview &made) const
{
    return qtLines(changeLines(changesBeyond(made, usualRepairs.at(index)), made.leftOut));
}

} // namespace velmorant
