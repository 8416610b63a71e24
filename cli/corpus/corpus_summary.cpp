#include "cli/corpus/corpus_summary.h"

#include "cli/json_line.h"
#include "cli/report.h"

#include <algorithm>
#include <tuple>
#include <vector>

namespace velmorant {

namespace {

// The field --json gives a file that could not be read.
const char *const unreadable = "file";
const char *const timekeeping = "time-keeping of the data records";
const char *const gaps = "gaps between data records";
const std::vector<CheckedFinding> noFindings;

bool isBool(const JsonValue *value)
{
    return value && value->type == JsonValue::Type::boolean;
}

bool isArray(const JsonValue *value)
{
    return value && value->type == JsonValue::Type::array;
}

// A member that must be true or false; false where it is not there as one.
bool readFlag(const JsonValue &object, const char *name, bool &flag)
{
    const JsonValue *value = object.member(name);
    flag = isBool(value) && value->boolean;
    return isBool(value);
}

std::string count(std::size_t n)
{
    return std::to_string(n);
}

} // namespace

bool CorpusSummary::Kind::operator<(const Kind &other) const
{
    return std::tie(field, warning, causedByRepair)
        < std::tie(other.field, other.warning, other.causedByRepair);
}

void CorpusSummary::FileFacts::found(const Kind &kind, Settled settled)
{
    const auto entry = kinds.emplace(kind, settled);
    entry.first->second = std::max(entry.first->second, settled);
}

void CorpusSummary::add(const FileCheck &check, bool thorough)
{
    const auto settledBy = [thorough](bool repaired, bool repairedThorough) {
        return repaired ? byRepair : thorough && repairedThorough ? byThorough : byNeither;
    };
    FileFacts facts;
    facts.sound = check.sound;
    facts.soundAfterRepair = check.soundAfterRepair;
    if (thorough)
        facts.soundAfterThorough = check.soundAfterThoroughRepair;
    // As --json gives it: the read error stands for every finding.
    if (!check.readError.empty())
        facts.found({unreadable}, byNeither);
    for (const CheckedFinding &f : check.readError.empty() ? check.findings : noFindings)
        facts.found({f.finding.field, f.finding.warning, f.causedByRepair},
                    settledBy(f.repaired, f.repairedThorough));
    if (!check.annotationFaults.empty())
        facts.found({timekeeping},
                    settledBy(check.timekeepingRepaired, check.soundAfterThoroughRepair));
    if (check.gaps != 0)
        facts.found({gaps, true}, byNeither);
    addFile(facts);
}

bool CorpusSummary::add(const JsonValue &line, std::string &reason)
{
    reason = "not a line of --check --json";
    FileFacts facts;
    const JsonValue *findings = line.member("findings"), *faults = line.member("annotation_faults"),
                    *gapCount = line.member("gaps");
    if (!isArray(findings) || !isArray(faults) || line.member("destination")
        || !readFlag(line, "sound", facts.sound)
        || !readFlag(line, "sound_after_repair", facts.soundAfterRepair))
        return false;
    bool afterThorough = false;
    if (readFlag(line, "sound_after_thorough_repair", afterThorough))
        facts.soundAfterThorough = afterThorough;
    const bool thorough = facts.soundAfterThorough.has_value();
    for (const JsonValue &f : findings->items) {
        const JsonValue *field = f.member("field");
        Kind kind;
        bool repaired = false, repairedThorough = false;
        if (!field || field->type != JsonValue::Type::string
            || !readFlag(f, "warning", kind.warning) || !readFlag(f, "repaired", repaired)
            || !readFlag(f, "caused_by_repair", kind.causedByRepair)
            || (thorough && !readFlag(f, "repaired_thorough", repairedThorough)))
            return false;
        kind.field = field->text;
        facts.found(kind, repaired ? byRepair : repairedThorough ? byThorough : byNeither);
    }
    bool repaired = false;
    if (!faults->items.empty() && !readFlag(faults->items.front(), "repaired", repaired))
        return false;
    if (!faults->items.empty())
        facts.found({timekeeping}, repaired ? byRepair : afterThorough ? byThorough : byNeither);
    if (gapCount && gapCount->type == JsonValue::Type::number && gapCount->text != "0")
        facts.found({gaps, true}, byNeither);
    addFile(facts);
    return true;
}

void CorpusSummary::addFile(const FileFacts &facts)
{
    ++total;
    const bool thoroughSound = facts.soundAfterThorough.value_or(false);
    sound += facts.sound ? 1 : 0;
    repairable += !facts.sound && facts.soundAfterRepair ? 1 : 0;
    thoroughRepairable += !facts.sound && !facts.soundAfterRepair && thoroughSound ? 1 : 0;
    thoroughKnown = thoroughKnown || facts.soundAfterThorough.has_value();
    for (const auto &[kind, settled] : facts.kinds) {
        Tally &tally = kinds[kind];
        ++tally.files;
        ++tally.settled[settled];
    }
}

bool CorpusSummary::allSoundOrRepairable() const
{
    return total > 0 && sound + repairable + thoroughRepairable == total;
}

std::string CorpusSummary::label(const Kind &kind)
{
    return (kind.field == unreadable ? std::string("not readable") : kind.field)
        + (kind.warning ? " (warning)" : "")
        + (kind.causedByRepair ? " (caused by the repair)" : "");
}

std::string CorpusSummary::kindLine(const Kind &kind, const Tally &tally) const
{
    const std::string settled = thoroughKnown
        ? "the repair settles " + count(tally.settled[byRepair]) + ", --thorough "
            + count(tally.settled[byThorough]) + ", neither " + count(tally.settled[byNeither])
        : "the repair settles " + count(tally.settled[byRepair]) + ", not "
            + count(tally.settled[byThorough] + tally.settled[byNeither]);
    return "  " + label(kind) + ": " + count(tally.files)
        + (tally.files == 1 ? " file: " : " files: ") + settled + "\n";
}

std::string CorpusSummary::kindsText() const
{
    std::vector<std::pair<Kind, Tally>> sorted(kinds.begin(), kinds.end());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto &a, const auto &b) { return a.second.files > b.second.files; });
    std::string text;
    for (const auto &[kind, tally] : sorted)
        text += kindLine(kind, tally);
    return text.empty() ? ""
                        : "Files by fault or warning, and which repair settles it there:\n" + text;
}

std::string CorpusSummary::countLine() const
{
    const int files = static_cast<int>(total);
    return thoroughKnown
        ? checkSummary(static_cast<int>(sound), static_cast<int>(repairable),
                       static_cast<int>(thoroughRepairable), files)
        : checkSummary(static_cast<int>(sound), static_cast<int>(repairable), files);
}

std::string CorpusSummary::json() const
{
    const auto orNull = [this](std::size_t n) { return thoroughKnown ? count(n) : "null"; };
    std::string kindObjects;
    for (const auto &[kind, tally] : kinds)
        kindObjects += std::string(kindObjects.empty() ? "" : ", ") + "{\"field\": "
            + jsonString(kind.field) + ", \"warning\": " + (kind.warning ? "true" : "false")
            + ", \"caused_by_repair\": " + (kind.causedByRepair ? "true" : "false")
            + ", \"files\": " + count(tally.files) + ", \"settled_by_repair\": "
            + count(tally.settled[byRepair]) + ", \"settled_by_thorough\": "
            + orNull(tally.settled[byThorough]) + ", \"not_settled\": "
            + count(tally.settled[byNeither] + (thoroughKnown ? 0 : tally.settled[byThorough]))
            + "}";
    return "{\"files\": " + count(total) + ", \"sound\": " + count(sound) + ", \"needs_repair\": "
        + count(repairable) + ", \"needs_thorough\": " + orNull(thoroughRepairable)
        + ", \"not_repairable\": " + count(total - sound - repairable - thoroughRepairable)
        + ", \"kinds\": [" + kindObjects + "]}";
}

} // namespace velmorant
