#include "cli/deidentify_run.h"

#include "edf/deidentify/deidentify.h"
#include "repair/platform/file_names.h"

#include <fstream>

#include <algorithm>

namespace velmorant {

namespace {

const char *const identificationFields[]
    = {"patient identification", "recording identification", "start date", "start time"};

bool identifiesAnyone(const std::string &field)
{
    return std::find(std::begin(identificationFields), std::end(identificationFields), field)
        != std::end(identificationFields);
}

bool readWords(const std::string &path, std::vector<std::string> &words)
{
    std::ifstream in(toFsPath(path), std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        line.erase(line.find_last_not_of(" \t\r") + 1);
        line.erase(0, line.find_first_not_of(" \t"));
        if (!line.empty())
            words.push_back(line);
    }
    return !in.bad() && (in.eof() || in.good()) && in.is_open();
}

// The run's shift: the one that puts its earliest readable start date on 01.01.85.
int runShift(const std::vector<std::string> &sources)
{
    std::optional<int> days;
    for (const std::string &source : sources)
        if (const auto toFirst = daysToEarliestDate(startDateOf(source)))
            days = std::max(days.value_or(*toFirst), *toFirst);
    return days.value_or(0);
}

// 11312 as "11,312".
std::string grouped(int value)
{
    std::string digits = std::to_string(value < 0 ? -static_cast<long>(value) : value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return (value < 0 ? "-" : "") + digits;
}

std::string csvField(const std::string &text)
{
    std::string field = "\"";
    for (char c : text)
        field += c == '"' ? std::string("\"\"") : std::string(1, c);
    return field + "\"";
}

std::string trimmed(const std::string &field)
{
    return field.substr(0, field.find_last_not_of(' ') + 1);
}

} // namespace

DeidentifyPlan planDeidentification(const Options &o, const std::vector<std::string> &sources)
{
    DeidentifyPlan plan;
    if (!o.deidentify)
        return plan;
    DeidentifyRequest request;
    if (!o.redactFile.empty() && !readWords(o.redactFile, request.words)) {
        plan.error = "the words to redact cannot be read from " + o.redactFile;
        return plan;
    }
    request.days = o.keepDates ? 0 : runShift(sources);
    plan.request = std::move(request);
    return plan;
}

std::string deidentifiedText(const Deidentification &done)
{
    const std::uintmax_t texts = done.textsChanged;
    const std::string date = done.daysMoved == 0 ? "date kept"
                                                 : "date moved by " + grouped(done.daysMoved)
            + (done.daysMoved == 1 || done.daysMoved == -1 ? " day" : " days");
    return "patient and recording fields cleared; " + date + "; " + std::to_string(texts)
        + (texts == 1 ? " annotation text" : " annotation texts") + " changed";
}

std::string fileNameWarning(const Deidentification &done)
{
    if (!done.identityInFileName)
        return {};
    return "the source's or the destination's file name holds part of the patient's name or "
           "birthdate; the file was not renamed";
}

std::string keyHeading()
{
    return "destination,source,patient,recording,start date,start time,days moved\n";
}

std::string keyRow(const std::string &destination, const std::string &source,
                   const Deidentification &done)
{
    return csvField(destination) + "," + csvField(source) + ","
        + csvField(trimmed(done.originalPatient)) + "," + csvField(trimmed(done.originalRecording))
        + "," + csvField(done.originalStartDate) + "," + csvField(done.originalStartTime) + ","
        + std::to_string(done.daysMoved) + "\n";
}

std::vector<FieldChange> shownChanges(const std::vector<FieldChange> &changes, bool deidentify)
{
    std::vector<FieldChange> shown;
    for (const FieldChange &change : changes)
        if (!deidentify || change.signal != 0 || !identifiesAnyone(change.field))
            shown.push_back(change);
    return shown;
}

RepairFailure shownFailure(const RepairFailure &failure, bool deidentify)
{
    RepairFailure shown = failure;
    if (!deidentify)
        return shown;
    if (identifiesAnyone(shown.field))
        shown.found = "(withheld)";
    for (Finding &f : shown.unsettled)
        if (f.signal == 0 && identifiesAnyone(f.field))
            f.found = "(withheld)";
    return shown;
}

} // namespace velmorant
