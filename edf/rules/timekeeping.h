#pragma once

#include "edf/format/record_bytes.h"
#include "edf/format/record_layout.h"
#include "edf/format/written_seconds.h"
#include "edf/rules/header_check.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmorant {

// What the time-keeping annotations of an EDF+ file's data records show:
// each record's start, so whether the records are where the header puts
// them and whether they follow each other without gaps.
struct Timekeeping {
    bool read = false; // the file is EDF+ with an annotation signal and whole records
    std::vector<Finding> faults; // Rule::timekeeping, field "data record N"
    bool readFailed = false; // the bytes could not be read: faults name the record
    std::uintmax_t gaps = 0;
    __int128 longestGap = 0; // attoseconds
    bool continuous = true; // every record read starts where the one before it ends
    std::optional<WrittenSeconds> firstOnset;
};

// Which records a walk reads: the first and the last, enough to see a shift
// anywhere, or every one, to count gaps and to settle a relabelling.
enum class RecordWalk { ends, everyRecord };

// records: how many whole data records to read, from the first; header the
// whole header. EDF+C: each record starts where the one before ends, the
// first below one second; EDF+D: no record starts before the one before it.
Timekeeping readTimekeeping(const std::string &header, std::uint32_t signals,
                            const RecordLayout &layout, std::uintmax_t records, RecordBytes &data,
                            RecordWalk walk);

// The check's reading: nothing unless the header is whole and EDF+; the
// first and the last whole record, or every one of EDF+D with countGaps.
Timekeeping checkTimekeeping(const std::string &header, std::uintmax_t fileSize, RecordBytes &data,
                             bool countGaps = true);

// The first annotation signal, numbered from 1, and where its bytes lie in a record.
struct AnnotationPlace {
    std::uint32_t signal;
    std::uintmax_t offset;
    std::size_t size;
};
std::optional<AnnotationPlace> annotationPlace(const std::string &header, std::uint32_t signals);

// Where a signal's bytes lie in a record; signal numbered from 1, and every
// samples per record field a whole number.
AnnotationPlace signalPlace(const std::string &header, std::uint32_t signal, std::uint32_t signals);

// The signal count of an EDF header that holds all of its signals' fields.
std::optional<std::uint32_t> wholeSignalHeader(const std::string &header);

} // namespace velmorant
