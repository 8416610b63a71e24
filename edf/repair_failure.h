#pragma once

#include <string>

namespace velmorant {

// Why a repair gave up: the step, the header field concerned (if any), the
// text found there and the system's own reason (if any).
enum class RepairStep {
    none,
    badPathText,
    sameFile,
    sourceNotRegularFile,
    destinationNotRegularFile,
    copy,
    open,
    readFixedHeader,
    parseField,
    signalCount,
    signalHeaderTruncated,
    readSamplesPerRecord,
    zeroSamplesPerRecord,
    outOfMemory,
    write,
    close,
    commit,
    unexpected,
};

struct RepairFailure {
    RepairStep step = RepairStep::none;
    std::string field;
    std::string found;
    std::string reason;
};

// One sentence in plain English, naming the field and quoting its text.
std::string describe(const RepairFailure &failure);

// Header text as every report quotes it: printable ASCII as it stands, every
// other byte and the backslash as \xNN, so that a line feed or an escape
// sequence in a header can neither break a line nor reach a terminal.
std::string shownHeaderText(const std::string &text);

} // namespace velmorant
