#pragma once

#include "edf/format/written_seconds.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace velmorant {

// One time-stamped annotation list (TAL) of an annotation signal:
// "+onset" [0x15 duration] 0x14, then texts each ended by 0x14, then 0x00.
struct Tal {
    WrittenSeconds onset;
    std::string onsetText;
    std::optional<WrittenSeconds> duration;
    std::vector<std::string> texts; // UTF-8
    std::vector<std::size_t> textOffsets; // where each text starts in the bytes read
};

enum class TalFault {
    none,
    noTimekeeping, // the first TAL is not "+onset" 0x14 0x14: the record's start
    onset,
    duration,
    notEnded,
    bytesAfter,
    notUtf8,
};

// The TALs of one data record's annotation signal, up to the first fault.
struct RecordTals {
    std::vector<Tal> tals;
    TalFault fault = TalFault::none;
    std::string faultText; // the bytes at fault, as found
};

// bytes: the annotation signal's bytes of one data record.
RecordTals readTals(const std::string &bytes);

// What EDF+ expects where the fault is, in a few words.
std::string talExpectation(TalFault fault);

} // namespace velmorant
