#pragma once

#include "edf/format/record_bytes.h"
#include "edf/repair/repair_failure.h"
#include "edf/rules/header_check.h"
#include "edf/rules/transfer_damage.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmorant {

// The usual repair: the recorder's figures and the fields readers choke on.
// The thorough one adds every fix the file itself settles, and refuses a
// file that would still break a rule that makes a strict reader refuse it.
enum class RepairMode { usual, thorough };

struct FieldChange {
    std::string field;
    std::uint32_t signal; // numbered from 1; 0 for the fixed header
    std::string from;
    std::string to;
};

// What repairHeader would make of a file, worked out in memory from the
// file's header and size alone: the same parse, the same limits, the same
// patch, so that a check can promise what a repair will do without writing.
struct RepairPreview {
    bool succeeds = false;
    RepairFailure failure; // why not, when it would not
    std::string header; // the whole header as the repair would leave it
    std::uint32_t signalCount = 0;
    std::vector<FieldChange> changes; // every field whose text it would change
    std::uintmax_t keptSize = 0; // bytes of the file the copy keeps, once restored
    std::uintmax_t leftOut = 0; // bytes after the last whole data record, left out
    // Thorough only: the carriage returns a line feed conversion inserted,
    // removed from the copy's data area before anything else is measured.
    std::uintmax_t carriageReturnsRemoved = 0;
    // Thorough only: the errors it cannot settle. The header and the changes
    // above still show what it would have fixed.
    std::vector<Finding> unsettled;
    // Usual only: the findings of `header` in a file of keptSize bytes, which
    // the repair works out anyway; a check of the copy as written reuses them.
    std::optional<std::vector<Finding>> headerFindings;
};

// How many bytes from the start of the file the preview needs, once the
// fixed header is known: the whole header.
std::size_t previewExtent(const std::string &fixedHeader);

// data: the data records as the copy will hold them; the thorough repair
// reads their annotations from it, and without it leaves those rules out.
// damage: what the data area showed, where the file is longer than its
// header says; the usual repair ignores it. Where the damage is reversed,
// the records are walked only once the copy holds them restored.
RepairPreview previewRepair(const std::string &header, std::uintmax_t fileSize,
                            RepairMode mode = RepairMode::usual, RecordBytes *data = nullptr,
                            const TransferDamage &damage = {});

} // namespace velmorant
