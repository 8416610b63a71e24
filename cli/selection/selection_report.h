#pragma once

#include "repair/engine/header_repair.h"
#include "repair/plan/files_from.h"
#include "repair/plan/shard.h"

#include <cstddef>
#include <string>

namespace velmorant {

// The words for the files a selection leaves: a destination there already
// (a line of its own, or {"file": ..., "destination": ..., "repaired":
// false, "skipped": true} with json), a listed path refused, a share with
// nothing in it. No line feed at the end.
std::string skippedLine(const RepairJob &job, bool json);
std::string refusedLine(const RefusedPath &refused);
std::string emptyShareLine(const Shard &shard, std::size_t inEveryShare);

// ", 3 skipped" after a run's summary, or nothing.
std::string skippedCount(std::size_t skipped);

} // namespace velmorant
