#pragma once

#include "edf/repair/header_review.h"
#include "edf/repair/repair_failure.h"
#include "edf/repair/repair_preview.h"
#include "repair/deidentify/deidentified_copy.h"

namespace velmorant {

// What became of one file of a run, handed to whoever waits for it.
struct FileOutcome {
    bool repaired = false; // the destination holds the repaired copy
    RepairFailure failure; // why not
    // What the repair changed and how much of the file it kept; the header
    // itself is on disk and not kept here.
    RepairPreview repair;
    // What the check finds in the copy as it was written (its first and last
    // records of EDF+ read), so that a caller need not read it again.
    FileCheck check;
    Deidentification deidentified;
    std::string format; // the source's, as formatName gives it; empty when its header was not read
};

} // namespace velmorant
