#include "cli/selection/selection_report.h"

#include "cli/json_line.h"
#include "edf/wording/finding_text.h"

namespace velmorant {

std::string skippedLine(const RepairJob &job, bool json)
{
    if (json)
        return "{\"file\": " + jsonString(job.source) + ", \"destination\": "
            + jsonString(job.destination) + ", \"repaired\": false, \"skipped\": true}";
    return "skipped: " + shownName(job.source) + " -> " + shownName(job.destination)
        + ": the destination is there";
}

std::string refusedLine(const RefusedPath &refused)
{
    return "not repaired: " + shownName(refused.listed) + ": " + refused.reason;
}

std::string emptyShareLine(const Shard &shard, std::size_t inEveryShare)
{
    return "No file in shard " + std::to_string(shard.index) + "/" + std::to_string(shard.count)
        + " (" + std::to_string(inEveryShare) + " in all shards).";
}

std::string skippedCount(std::size_t skipped)
{
    return skipped == 0 ? "" : ", " + std::to_string(skipped) + " skipped";
}

} // namespace velmorant
