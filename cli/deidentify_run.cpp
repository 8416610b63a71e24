#include "cli/deidentify_run.h"

#include "edf/deidentify/deidentify.h"
#include "edf/format/edf_header.h"
#include "repair/deidentify/key_file.h"
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
        if (words.empty() && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
            line.erase(0, 3); // a byte-order mark
        line.erase(line.find_last_not_of(" \t\r") + 1);
        line.erase(0, line.find_first_not_of(" \t"));
        if (!line.empty())
            words.push_back(line);
    }
    return !in.bad() && (in.eof() || in.good()) && in.is_open();
}

// The run's shift: the one that puts its earliest start date, as the repair
// leaves it, on 01.01.85. Placeholder dates stay as they are.
int runShift(const std::vector<std::string> &sources, bool thorough)
{
    std::optional<int> days;
    for (const std::string &source : sources) {
        const std::string header = fixedHeaderOf(source);
        if (header.empty() || placeholderDate(header))
            continue;
        const std::string date = fieldText(header.data(), FixedField::startDate);
        if (const auto toFirst = daysToEarliestDate(thorough ? withDotSeparators(date) : date))
            days = std::max(days.value_or(*toFirst), *toFirst);
    }
    return days.value_or(0);
}

} // namespace

DeidentifyPlan planDeidentification(const Options &o, const std::vector<RepairJob> &jobs)
{
    DeidentifyPlan plan;
    if (!o.deidentify)
        return plan;
    std::vector<std::string> sources, runPaths;
    for (const RepairJob &job : jobs) {
        sources.push_back(job.source);
        runPaths.insert(runPaths.end(), {job.source, job.destination});
    }
    const std::string keyRefused = o.keyFile.empty() ? "" : keyFileRefusal(o.keyFile, runPaths);
    if (!keyRefused.empty()) {
        plan.error = "--key " + o.keyFile + " refused: " + keyRefused;
        return plan;
    }
    DeidentifyRequest request;
    request.keyFile = o.keyFile;
    if (!o.redactFile.empty() && !readWords(o.redactFile, request.words)) {
        plan.error = "the words to redact cannot be read from " + o.redactFile;
        return plan;
    }
    request.keepDates = o.keepDates;
    request.days = o.keepDates ? 0 : runShift(sources, o.thorough);
    plan.request = std::move(request);
    return plan;
}

std::string deidentifiedText(const Deidentification &done)
{
    const std::uintmax_t texts = done.textsChanged;
    const char *const date[] = {"start date moved", "dates kept", "start date a placeholder, kept"};
    return "patient and recording fields cleared; "
        + std::string(date[static_cast<int>(done.startDate)]) + "; " + std::to_string(texts)
        + (texts == 1 ? " annotation text" : " annotation texts") + " changed";
}

std::string fileNameWarning(const Deidentification &done)
{
    if (!done.identityInFileName)
        return {};
    return "the source's or the destination's file name holds part of the patient's name, code "
           "or birthdate (or a folder name on its way does); the file was not renamed";
}

std::string namesNobodyWarning(const Deidentification &done)
{
    if (!done.namesNobody)
        return {};
    return "its header names nobody, so its annotation texts could not be searched for a name; "
           "give the words to take out with --redact";
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
