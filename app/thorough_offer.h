#pragma once

#include "header_review.h"
#include "run_entry.h"

#include <QStringList>

#include <vector>

namespace velmorant {

// The files of a run that the thorough repair would make sound where the
// usual one does not, worked out as the command line's thorough check does:
// from each source's header and size, never from a copy.
class ThoroughOffer
{
public:
    // Offers the entry when the thorough repair would make its source
    // sound; returns what it would change, one line each, or nothing.
    QStringList consider(const RunEntry &entry);

    bool isEmpty() const { return offered.isEmpty(); }
    const RunEntries &entries() const { return offered; }
    // What the thorough repair of entry `index` changed beyond the usual repair.
    QStringList changesMade(int index, const RepairPreview &made) const;

private:
    RunEntries offered;
    std::vector<RepairPreview> usualRepairs;
};

} // namespace velmorant
