#pragma once

#include <vector>

namespace velmorant {

// Every rule a finding can break, so that the same fault is recognised after
// a repair and each one is explained from the one table in rule.cpp.
enum class Rule {
    readable, // the file could be read at all
    format,
    headerPresent,
    version,
    startDate,
    startTime,
    headerSize,
    records,
    duration,
    signalCount,
    number,
    digitalValue,
    samples,
    physicalRange,
    digitalRange,
    printable,
    edfPlusPatient,
    edfPlusRecording,
    edfPlusStartdate,
    annotations,
    annotationSignal,
    fileSize,
    timekeeping,
    settled, // the thorough repair's own refusal of a field
    textTransfer,
    textTransferInexact,
    utf8Transfer, // declared last: allRules() ends here
};

// Every rule declared above, in its order.
std::vector<Rule> allRules();

// "file size": the name logs and test output give it.
const char *ruleName(Rule rule);

// Why the thorough repair cannot settle a finding of this rule, in a few words.
const char *unsettledReason(Rule rule);

// Its findings measure the data area rather than quote a header field.
bool measuresData(Rule rule);

} // namespace velmorant
