#include "cli/report.h"

#include "edf/wording/change_text.h"
#include "edf/wording/failure_text.h"

namespace velmorant {

namespace {

std::string findingTag(const CheckedFinding &f, bool thorough)
{
    const std::string kind = f.finding.warning ? "warning" : "fault";
    if (f.causedByRepair)
        return kind + ", caused by the repair"
            + (thorough && f.repairedThorough ? ", not by --thorough" : "");
    if (f.repaired)
        return kind + ", repaired";
    if (!thorough)
        return kind + ", not repaired";
    if (f.repairedThorough)
        return kind + ", repaired by --thorough";
    return kind + ", not repaired (" + f.whyNotRepaired + ")";
}

std::string files(int count)
{
    return std::to_string(count) + (count == 1 ? " file" : " files");
}

// The thorough repair's changes that the usual one would not make.
std::string thoroughChanges(const FileCheck &check)
{
    std::string lines;
    for (const std::string &line : thoroughChangeLines(check))
        lines += "  " + line + "\n";
    if (!check.thorough.succeeds)
        lines += "  the thorough repair fails: " + describe(check.thorough.failure) + "\n";
    return lines;
}

std::string joined(const std::vector<std::string> &names)
{
    std::string text;
    for (const std::string &name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

} // namespace

std::string verdict(const FileCheck &check, bool thorough)
{
    if (check.sound)
        return "sound";
    if (check.soundAfterRepair)
        return "needs repair";
    return thorough && check.soundAfterThoroughRepair ? "needs --thorough" : "not repairable";
}

std::string checkReport(const std::string &path, const FileCheck &check, bool thorough)
{
    std::string report = verdict(check, thorough) + ": " + shownName(path) + "\n";
    for (const CheckedFinding &f : check.findings)
        report += "  " + findingTag(f, thorough) + ": " + findingText(f.finding) + "\n";
    for (const Finding &f : check.annotationFaults)
        report += (check.timekeepingRepaired ? "  fault, repaired: " : "  fault, not repaired: ")
            + findingText(f) + "\n";
    if (check.gaps != 0)
        report += "  warning: " + std::to_string(check.gaps) + (check.gaps == 1 ? " gap" : " gaps")
            + " between data records, the longest " + check.longestGap + " s\n";
    if (!check.identifying.empty())
        report += "  identifying: " + joined(check.identifying) + "\n";
    for (const FieldChange &change : check.preview.changes)
        report += "  change: " + changeText(change) + "\n";
    if (!check.preview.succeeds)
        report += "  the repair fails: " + describe(check.preview.failure) + "\n";
    return report + (thorough && !check.sound ? thoroughChanges(check) : "");
}

std::string changeReport(const RepairPreview &repair)
{
    std::string lines;
    for (const std::string &line :
         changeLines(repair.changes, repair.leftOut, repair.carriageReturnsRemoved))
        lines += "  " + line + "\n";
    return lines;
}

std::string repairSummary(int repaired, int total)
{
    return std::to_string(repaired) + " of " + files(total) + " repaired";
}

std::string checkSummary(int sound, int repairable, int total)
{
    return files(total) + " checked: " + std::to_string(sound) + " sound, "
        + std::to_string(repairable) + " needs repair, "
        + std::to_string(total - sound - repairable) + " not repairable";
}

std::string checkSummary(int sound, int repairable, int thoroughRepairable, int total)
{
    return files(total) + " checked: " + std::to_string(sound) + " sound, "
        + std::to_string(repairable) + " needs repair, " + std::to_string(thoroughRepairable)
        + " needs --thorough, " + std::to_string(total - sound - repairable - thoroughRepairable)
        + " not repairable";
}

} // namespace velmorant
