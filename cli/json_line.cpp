#include "cli/json_line.h"

#include "cli/deidentify_run.h"
#include "edf/text/utf8.h"
#include "edf/wording/failure_text.h"
#include "edf/wording/finding_text.h"

#include <cstdio>

namespace velmorant {

namespace {

std::string unicodeEscape(unsigned value)
{
    char escaped[7];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", value);
    return escaped;
}

// The four characters \xNN, as the reports write a byte (a backslash and a
// byte that is not printable ASCII alike), the backslash escaped for JSON.
std::string byteEscape(char byte)
{
    return "\\" + shownText(std::string(1, byte));
}

bool startsByteEscape(const std::string &text, std::size_t at)
{
    return text[at] == '\\' && at + 1 < text.size() && text[at + 1] == 'x';
}

std::string jsonBool(bool value)
{
    return value ? "true" : "false";
}

std::string jsonSignal(std::uint32_t signal)
{
    return signal == 0 ? "null" : std::to_string(signal);
}

std::string jsonOrNull(bool present, const std::string &text)
{
    return present ? jsonString(text) : "null";
}

// The patient's field is never written out: null stands for its text.
std::string fieldTextOrNull(const std::string &field, std::uint32_t signal, const std::string &text)
{
    return identifiesPatient(field, signal) ? "null" : jsonString(text);
}

std::string jsonFindingKeys(const CheckedFinding &f)
{
    return "{\"field\": " + jsonString(f.finding.field)
        + ", \"signal\": " + jsonSignal(f.finding.signal)
        + ", \"found\": " + fieldTextOrNull(f.finding.field, f.finding.signal, f.finding.found)
        + ", \"expected\": " + jsonString(f.finding.expected) + ", \"repaired\": "
        + jsonBool(f.repaired) + ", \"warning\": " + jsonBool(f.finding.warning)
        + ", \"caused_by_repair\": " + jsonBool(f.causedByRepair);
}

std::string jsonFinding(const CheckedFinding &f)
{
    return jsonFindingKeys(f) + "}";
}

std::string jsonThoroughFinding(const CheckedFinding &f)
{
    return jsonFindingKeys(f) + ", \"repaired_thorough\": " + jsonBool(f.repairedThorough)
        + ", \"why_not_repaired\": " + jsonOrNull(!f.whyNotRepaired.empty(), f.whyNotRepaired)
        + "}";
}

std::string jsonAnnotationFault(const Finding &f, bool repaired)
{
    return "{\"field\": " + jsonString(f.field) + ", \"found\": " + jsonString(f.found)
        + ", \"expected\": " + jsonString(f.expected) + ", \"repaired\": " + jsonBool(repaired)
        + "}";
}

std::string jsonChange(const FieldChange &c)
{
    return "{\"field\": " + jsonString(c.field) + ", \"signal\": " + jsonSignal(c.signal)
        + ", \"from\": " + fieldTextOrNull(c.field, c.signal, c.from)
        + ", \"to\": " + fieldTextOrNull(c.field, c.signal, c.to) + "}";
}

template<typename Item, typename Format>
std::string jsonArray(const std::vector<Item> &items, Format format)
{
    std::string array = "[";
    for (const Item &item : items)
        array += (array.size() > 1 ? ", " : "") + format(item);
    return array + "]";
}

std::string jsonDeidentified(const Deidentification &done)
{
    if (!done.done)
        return "null";
    const char *const date[] = {"moved", "kept", "placeholder"};
    return "{\"start_date\": \"" + std::string(date[static_cast<int>(done.startDate)])
        + "\", \"annotation_texts_changed\": " + std::to_string(done.textsChanged)
        + ", \"identity_in_file_name\": " + jsonBool(done.identityInFileName) + "}";
}

// A file that could not be read is one finding that no repair removes.
FileCheck asFinding(const FileCheck &check)
{
    FileCheck unreadable = check;
    unreadable.findings = {
        {{Rule::readable, "file", 0, check.readError, "a readable EDF file", false}, false, false}};
    return unreadable;
}

} // namespace

std::string jsonString(const std::string &text)
{
    std::string json = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = wellFormedLength(text, i);
        const char c = text[i];
        if (length == 0 || startsByteEscape(text, i))
            json += byteEscape(c);
        else if (c == '"' || c == '\\')
            json += std::string("\\") + c;
        else if (controlsTerminal(codePointAt(text, i, length)))
            json += unicodeEscape(codePointAt(text, i, length));
        else
            json.append(text, i, length);
        i += length == 0 ? 1 : length;
    }
    return json + "\"";
}

std::string jsonLine(const std::string &path, const FileCheck &check, bool thorough)
{
    const FileCheck &c = check.readError.empty() ? check : asFinding(check);
    const bool read = c.readError.empty();
    const std::string repairError
        = jsonOrNull(read && !c.preview.succeeds, describe(c.preview.failure));
    std::string line = "{\"file\": " + jsonString(path)
        + ", \"format\": " + jsonOrNull(!c.format.empty(), c.format)
        + ", \"findings\": " + jsonArray(c.findings, thorough ? jsonThoroughFinding : jsonFinding)
        + ", \"changes\": " + jsonArray(c.preview.changes, jsonChange)
        + ", \"repair_error\": " + repairError + ", \"sound\": " + jsonBool(c.sound)
        + ", \"sound_after_repair\": " + jsonBool(c.soundAfterRepair) + ", \"annotation_faults\": "
        + jsonArray(c.annotationFaults,
                    [&c](const Finding &f) {
                        return jsonAnnotationFault(f, c.timekeepingRepaired);
                    })
        + ", \"gaps\": " + (c.timekeepingRead ? std::to_string(c.gaps) : "null")
        + ", \"longest_gap_s\": " + (c.timekeepingRead ? c.longestGap : "null")
        + ", \"identifying\": " + jsonArray(c.identifying, jsonString);
    if (thorough)
        line += ", \"thorough_changes\": " + jsonArray(c.thorough.changes, jsonChange)
            + ", \"bytes_left_out\": " + std::to_string(c.thorough.leftOut)
            + ", \"carriage_returns_removed\": " + std::to_string(c.thorough.carriageReturnsRemoved)
            + ", \"thorough_repair_error\": "
            + jsonOrNull(read && !c.thorough.succeeds, describe(c.thorough.failure))
            + ", \"sound_after_thorough_repair\": " + jsonBool(c.soundAfterThoroughRepair);
    return line + "}";
}

std::string jsonRepairLine(const std::string &source, const std::string &destination,
                           const FileOutcome &outcome, const std::vector<CheckedFinding> &warnings,
                           bool deidentify)
{
    const bool repaired = outcome.repaired;
    const RepairFailure failure = shownFailure(outcome.failure, deidentify);
    std::string line = "{\"file\": " + jsonString(source)
        + ", \"destination\": " + jsonString(destination)
        + ", \"format\": " + jsonOrNull(!outcome.format.empty(), outcome.format)
        + ", \"repaired\": " + jsonBool(repaired)
        + ", \"repair_error\": " + jsonOrNull(!repaired, describe(failure)) + ", \"changes\": "
        + jsonArray(shownChanges(outcome.repair.changes, deidentify), jsonChange)
        + ", \"bytes_left_out\": " + std::to_string(outcome.repair.leftOut)
        + ", \"carriage_returns_removed\": " + std::to_string(outcome.repair.carriageReturnsRemoved)
        + ", \"warnings\": " + jsonArray(warnings, jsonFinding);
    if (deidentify)
        line += ", \"deidentified\": " + jsonDeidentified(outcome.deidentified);
    return line + "}";
}

} // namespace velmorant
