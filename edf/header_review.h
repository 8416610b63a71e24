#pragma once

#include "header_check.h"
#include "repair_preview.h"

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
    std::vector<CheckedFinding> findings;
    RepairPreview preview;
    bool sound = false; // no error as the file stands
    bool soundAfterRepair = false; // no error once repaired, or sound and left so
    RepairPreview thorough;
    bool soundAfterThoroughRepair = false;
};

// header: at least previewExtent bytes of the file, or all of it if it is
// shorter. fileSize: the file's size as the file system reports it.
// damage: what its data area showed, read where dataSurplus says so.
FileCheck checkHeaderBytes(const std::string &header, std::uintmax_t fileSize,
                           const TransferDamage &damage = {});

} // namespace velmorant
