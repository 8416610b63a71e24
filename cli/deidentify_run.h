#pragma once

#include "cli/options.h"
#include "edf/repair/header_review.h"
#include "repair/deidentify/deidentified_copy.h"
#include "repair/engine/header_repair.h"

#include <optional>
#include <string>
#include <vector>

namespace velmorant {

// What --deidentify asks of every file of one run, worked out before the
// first copy: the words to take out and the run's one date shift, which
// puts its earliest start date on 01.01.85.
struct DeidentifyPlan {
    std::optional<DeidentifyRequest> request; // none without --deidentify
    std::string error; // why the run cannot start
};
DeidentifyPlan planDeidentification(const Options &options, const std::vector<RepairJob> &jobs);

// "patient and recording fields cleared; start date moved; 3 annotation
// texts changed": counts, never what was found nor the days moved.
std::string deidentifiedText(const Deidentification &done);

// The warnings for a file whose path holds part of the identity, and for
// one whose header named nobody to look for; or empty.
std::string fileNameWarning(const Deidentification &done);
std::string namesNobodyWarning(const Deidentification &done);

// What a report may show of a repair of a file being de-identified: the
// identification fields and dates are changed or quoted without their text.
std::vector<FieldChange> shownChanges(const std::vector<FieldChange> &changes, bool deidentify);
RepairFailure shownFailure(const RepairFailure &failure, bool deidentify);

} // namespace velmorant
