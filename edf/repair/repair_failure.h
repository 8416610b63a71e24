#pragma once

#include "edf/rules/header_check.h"

#include <string>
#include <vector>

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
    cancelled,
    open,
    readFixedHeader,
    bdf,
    parseField,
    signalCount,
    signalHeaderTruncated,
    readSamplesPerRecord,
    readAnnotations,
    noSignals,
    samplesPerRecordBelowOne,
    unsettled,
    causesFault,
    deidentify,
    identityLeft,
    keyNotWritten,
    outOfMemory,
    readData,
    writeData,
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
    std::vector<Finding> unsettled = {}; // what the thorough repair could not settle
};

} // namespace velmorant
