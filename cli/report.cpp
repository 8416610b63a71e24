#include "report.h"

namespace velmorant {

namespace {

std::string quoted(const std::string &text)
{
    return "\"" + shownText(text) + "\"";
}

std::string fieldName(const std::string &field, std::uint32_t signal)
{
    return signal == 0 ? field : field + " of signal " + std::to_string(signal);
}

std::string findingTag(const CheckedFinding &f)
{
    const std::string kind = f.finding.warning ? "warning" : "fault";
    if (f.causedByRepair)
        return kind + ", caused by the repair";
    return kind + (f.repaired ? ", repaired" : ", not repaired");
}

bool isBlank(const std::string &text)
{
    return text.find_first_not_of(' ') == std::string::npos;
}

// A field that the repair blanks is shown without its padding, which says nothing.
std::string changeText(const FieldChange &change)
{
    if (isBlank(change.to))
        return fieldName(change.field, change.signal) + " "
            + quoted(change.from.substr(0, change.from.find_last_not_of(' ') + 1)) + " -> blank";
    return fieldName(change.field, change.signal) + " " + quoted(change.from) + " -> "
        + quoted(change.to);
}

std::string files(int count)
{
    return std::to_string(count) + (count == 1 ? " file" : " files");
}

} // namespace

std::string shownText(const std::string &text)
{
    return shownHeaderText(text);
}

std::string findingText(const Finding &finding)
{
    return fieldName(finding.field, finding.signal) + ": " + quoted(finding.found) + ", expected "
        + finding.expected;
}

std::string verdict(const FileCheck &check)
{
    if (check.sound)
        return "sound";
    return check.soundAfterRepair ? "needs repair" : "not repairable";
}

std::string checkReport(const std::string &path, const FileCheck &check)
{
    std::string report = verdict(check) + ": " + path + "\n";
    for (const CheckedFinding &f : check.findings)
        report += "  " + findingTag(f) + ": " + findingText(f.finding) + "\n";
    for (const FieldChange &change : check.preview.changes)
        report += "  change: " + changeText(change) + "\n";
    if (!check.preview.succeeds)
        report += "  the repair fails: " + describe(check.preview.failure) + "\n";
    return report;
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

} // namespace velmorant
