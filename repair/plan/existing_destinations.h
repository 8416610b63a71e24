#pragma once

#include "repair/plan/repair_job.h"

#include <vector>

namespace velmorant {

// A run's files split by whether their destination is there already.
// A destination appears only complete, so one that is there is the work of
// an earlier run, which a run stopped by a time limit can leave as it is.
struct DestinationSplit {
    std::vector<RepairJob> missing; // still to repair, in order
    std::vector<RepairJob> existing; // anything at the destination: a file, a link, a folder
};

DestinationSplit splitByDestination(const std::vector<RepairJob> &jobs);

} // namespace velmorant
