#pragma once

#include "edf/format/record_bytes.h"
#include "edf/repair/repair_preview.h"
#include "edf/rules/header_check.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velmorant {

struct CheckedFinding {
    Finding finding;
    bool repaired; // the repair makes it go away
    bool causedByRepair; // only the repaired file would have it
    bool repairedThorough = false; // the thorough repair succeeds and makes it go away
    std::string whyNotRepaired = {}; // when neither repair makes it go away
};

// A strict check of one file's header and what either repair would do to it.
struct FileCheck {
    std::string readError; // why the file could not be read; empty when it was
    std::string format; // as formatName gives it; empty without a fixed header
    std::vector<CheckedFinding> findings;
    RepairPreview preview;
    bool sound = false; // no error as the file stands
    bool soundAfterRepair = false; // no error once repaired, or sound and left so
    RepairPreview thorough;
    bool soundAfterThoroughRepair = false;
    // EDF+: what the data records' time-keeping annotations show. No repair
    // but the thorough one, which refuses such a file, touches the records.
    std::vector<Finding> annotationFaults;
    bool timekeepingRead = false;
    bool timekeepingRepaired = false; // the usual repair's header makes the faults go away
    std::uintmax_t gaps = 0; // EDF+D: records that start later than the one before ends
    std::string longestGap = "0"; // seconds, exact
    // The identification (sub)fields that name anyone: names, never values.
    std::vector<std::string> identifying;
};

// How much of an EDF+ file's data records a check reads.
enum class RecordReading {
    gaps, // the first and the last record; every one of "EDF+D", to count its gaps
    ends, // the first and the last record only: enough to see a shift
    thorough, // as gaps, and every record again for the thorough repair's preview
};

// header: at least previewExtent bytes of the file, or all of it if it is
// shorter. fileSize: the file's size as the file system reports it. data:
// the file's data records, for the annotation rules (left out without it).
// damage: what its data area showed, read where dataSurplus says so.
FileCheck checkHeaderBytes(const std::string &header, std::uintmax_t fileSize,
                           RecordBytes *data = nullptr, RecordReading reading = RecordReading::gaps,
                           const TransferDamage &damage = {});

// The check of a copy that a repair has just written, for what strict
// readers would still refuse: sound, findings, annotationFaults. A sound copy
// is told so without the previews of a repair, which cost more than the rest
// of a run's work per small file and say nothing of the copy; only a copy
// with findings gets the whole check.
// headerFindings: those of the header at this size, where already known.
FileCheck checkRepairedCopy(const std::string &header, std::uintmax_t fileSize, RecordBytes *data,
                            const std::vector<Finding> *headerFindings = nullptr);

} // namespace velmorant
