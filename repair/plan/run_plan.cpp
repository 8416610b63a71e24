#include "repair/plan/run_plan.h"

namespace velmorant {

namespace {

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

std::string derivedDestination(const std::string &sourceUtf8)
{
    // Walk back four UTF-16 units; a character beyond U+FFFF counts two and
    // goes whole rather than be split in half.
    std::size_t end = sourceUtf8.size(), units = 0;
    while (units < 4 && end > 0) {
        std::size_t start = end - 1;
        while (start > 0 && isContinuationByte(sourceUtf8[start]))
            --start;
        units += end - start == 4 ? 2 : 1;
        end = start;
    }
    // A BDF recording keeps BDF's name, as the thorough repair keeps its format.
    const bool bdf
        = matchesEdfPattern(sourceUtf8, RecordingNames::edfOrBdf) && !matchesEdfPattern(sourceUtf8);
    return (units >= 4 ? sourceUtf8.substr(0, end) : sourceUtf8)
        + (bdf ? "Fixed.bdf" : "Fixed.edf");
}

RunPlan planFolder(const std::string &sourceFolder, const std::string &destinationFolder,
                   bool recursive, RecordingNames names)
{
    return planListing(edfListing(sourceFolder, recursive, names), sourceFolder, destinationFolder);
}

RunPlan planListing(EdfListing listing, const std::string &sourceFolder,
                    const std::string &destinationFolder)
{
    RunPlan plan;
    plan.unlisted = std::move(listing.unlisted);
    for (std::string &name : listing.names) {
        std::string source = joinedPath(sourceFolder, name);
        std::string destination = joinedPath(destinationFolder, name);
        plan.files.push_back({std::move(name), std::move(source), std::move(destination)});
    }
    return plan;
}

} // namespace velmorant
