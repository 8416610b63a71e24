#pragma once

#include "app/run_entry.h"
#include "edf/repair/header_review.h"
#include "edf/repair/repair_failure.h"

#include <QStringList>

#include <vector>

namespace velmorant {

// The files of a run that the thorough repair would make sound where the
// usual one does not, worked out as the command line's thorough check does:
// from each source's header and size, never from a copy.
class ThoroughOffer
{
public:
    // Offers the entry when the thorough repair would make its source sound
    // and the usual repair failed, if it did, for its header's sake;
    // returns what the thorough repair would change, one line each, or nothing.
    QStringList consider(const RunEntry &entry, const RepairFailure *failure = nullptr);

    bool isEmpty() const { return offered.isEmpty(); }
    const RunEntries &entries() const { return offered; }
    // What the thorough repair of entry `index` changed beyond the usual repair.
    QStringList changesMade(int index, const RepairPreview &made) const;

private:
    RunEntries offered;
    std::vector<RepairPreview> usualRepairs;
};

} // namespace velmorant
