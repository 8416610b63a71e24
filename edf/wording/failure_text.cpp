#include "edf/wording/failure_text.h"

#include "edf/rules/rule.h"
#include "edf/wording/finding_text.h"

namespace velmorant {

namespace {

std::string quoted(const std::string &text)
{
    return "\"" + shownText(text) + "\"";
}

std::string withReason(const std::string &sentence, const std::string &reason)
{
    return reason.empty() ? sentence : sentence + ": " + reason;
}

std::string fieldSentence(const RepairFailure &f, const std::string &expected)
{
    return f.field + " field holds " + quoted(f.found) + ", " + expected;
}

std::string unsettledSentence(const std::vector<Finding> &findings)
{
    std::string data, fields;
    for (const Finding &f : findings) {
        if (measuresData(f.rule))
            data += (data.empty() ? "" : "; ") + f.found;
        else
            fields += (fields.empty() ? " " : "; ") + fieldName(f.field, f.signal) + " "
                + quotedFieldText(f.field, f.signal, f.found) + ", expected " + f.expected;
    }
    if (fields.empty())
        return data;
    return (data.empty() ? "" : data + "; ") + "the file itself does not show what is right in"
        + fields;
}

// What in the file itself made the repair give up.
std::string contentSentence(const RepairFailure &f)
{
    switch (f.step) {
    case RepairStep::readFixedHeader:
        return withReason("the file is shorter than the 256-byte EDF header", f.reason);
    case RepairStep::bdf:
        return "the file is BDF (24-bit samples), which the usual repair would make EDF; "
               "--thorough repairs it as BDF; nothing was written";
    case RepairStep::parseField:
        return fieldSentence(f, "not a number");
    case RepairStep::signalCount:
        return fieldSentence(f, "not a number from 0 to 9999");
    case RepairStep::signalHeaderTruncated:
        return "the file ends inside its signal header (" + f.found + ")";
    case RepairStep::readSamplesPerRecord:
        return withReason("the samples per data record of the first signal could not be read",
                          f.reason);
    case RepairStep::readAnnotations:
        return withReason("the annotations of the data records could not be read", f.reason);
    case RepairStep::noSignals:
        return "the file has no signal, so no samples per data record to divide the record count "
               "by";
    case RepairStep::samplesPerRecordBelowOne:
        return fieldSentence(f, "but the first signal needs at least one sample per data record");
    case RepairStep::unsettled:
        return unsettledSentence(f.unsettled);
    case RepairStep::causesFault:
        return "the repair would make the header break a rule the file keeps: "
            + findingText(f.unsettled.at(0)) + "; nothing was written";
    case RepairStep::deidentify:
        return "not de-identified: " + f.field + ": " + f.reason + "; nothing was written";
    case RepairStep::identityLeft:
        return "the de-identified copy still holds identifying text in its " + f.field
            + " when read back; nothing was written";
    case RepairStep::keyNotWritten:
        return "key not written: " + f.field + ": " + f.reason + "; nothing was written";
    default:
        return "unknown failure";
    }
}

} // namespace

std::string describe(const RepairFailure &f)
{
    switch (f.step) {
    case RepairStep::none:
        return "no failure";
    case RepairStep::badPathText:
        return "the path is not valid UTF-8 text";
    case RepairStep::sameFile:
        return "the destination is the source file itself; nothing was written";
    case RepairStep::sourceNotRegularFile:
        return withReason("the source is not a regular file", f.reason);
    case RepairStep::destinationNotRegularFile:
        return "the destination is not a regular file"
            + (f.reason.empty() ? "" : " (" + f.reason + ")") + "; nothing was written";
    case RepairStep::copy:
        return withReason("the copy could not be made", f.reason);
    case RepairStep::cancelled:
        return "cancelled during the copy; nothing was written";
    case RepairStep::open:
        return withReason("the copy could not be opened for repair", f.reason);
    case RepairStep::outOfMemory:
        return "not enough memory for the repair";
    case RepairStep::readData:
        return withReason("the data records could not be read", f.reason);
    case RepairStep::writeData:
        return withReason("the restored data records could not be written", f.reason);
    case RepairStep::write:
        return withReason("the repaired header could not be written", f.reason);
    case RepairStep::close:
        return withReason("the repaired copy could not be saved", f.reason);
    case RepairStep::commit:
        return withReason("the repaired copy could not be moved into place", f.reason);
    case RepairStep::unexpected:
        return withReason("unexpected error", f.reason);
    default:
        return contentSentence(f);
    }
}

} // namespace velmorant
