#include "edf/rules/rule.h"

namespace velmorant {

namespace {

struct RuleRow {
    Rule rule;
    const char *name;
    const char *unsettledReason;
    bool measuresData;
};

// Said of the faults the thorough repair fixes in every header it can read,
// and of its own refusals.
const char *const notShown = "the file does not show what is right";
const char *const calibration = "only the recording shows the signal's calibration";
const char *const uncounted = "the data records cannot be counted";
const char *const subfields = "the subfields cannot be told apart without guessing";

const RuleRow rules[] = {
    {Rule::readable, "readable", "the file could not be read", false},
    {Rule::format, "format", notShown, false},
    {Rule::headerPresent, "header present", "the file ends inside its header", false},
    {Rule::version, "version", notShown, false},
    {Rule::startDate, "date", "the file does not show which date was meant", false},
    {Rule::startTime, "time", "the file does not show which time was meant", false},
    {Rule::headerSize, "header size", notShown, false},
    {Rule::records, "records", uncounted, false},
    {Rule::duration, "duration", "the file does not show the duration of a data record", false},
    {Rule::signalCount, "signals", "the number of signals cannot be told from the file", false},
    {Rule::number, "number", calibration, false},
    {Rule::digitalValue, "digital value", calibration, false},
    {Rule::samples, "samples", "the file does not show how many samples a data record holds",
     false},
    {Rule::physicalRange, "physical range", calibration, false},
    {Rule::digitalRange, "digital range", calibration, false},
    {Rule::printable, "printable", "only text fields are made printable; this field shows no value",
     false},
    {Rule::edfPlusPatient, "edf+ patient", subfields, false},
    {Rule::edfPlusRecording, "edf+ recording", subfields, false},
    {Rule::edfPlusStartdate, "edf+ startdate",
     "the file does not show which of the two dates is right", false},
    {Rule::annotations, "annotations",
     "adding an annotation signal would rewrite every data record", false},
    {Rule::annotationSignal, "annotation signal", notShown, false},
    {Rule::fileSize, "file size", uncounted, false},
    {Rule::timekeeping, "timekeeping", "the file does not show where its data records lie", false},
    {Rule::settled, "settled", notShown, false},
    {Rule::textTransfer, "text transfer", notShown, true},
    {Rule::textTransferInexact, "text transfer inexact",
     "the inserted carriage returns cannot be told from the data's own", true},
    {Rule::utf8Transfer, "utf-8 transfer", "the bytes the re-encoding replaced are lost", true},
};

// A rule left out of the table has no name and no reason, which its test catches.
RuleRow rowOf(Rule rule)
{
    for (const RuleRow &row : rules)
        if (row.rule == rule)
            return row;
    return {rule, "", "", false};
}

} // namespace

std::vector<Rule> allRules()
{
    std::vector<Rule> declared;
    for (int r = 0; r <= static_cast<int>(Rule::utf8Transfer); ++r)
        declared.push_back(static_cast<Rule>(r));
    return declared;
}

const char *ruleName(Rule rule)
{
    return rowOf(rule).name;
}

const char *unsettledReason(Rule rule)
{
    return rowOf(rule).unsettledReason;
}

bool measuresData(Rule rule)
{
    return rowOf(rule).measuresData;
}

} // namespace velmorant
