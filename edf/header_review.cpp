#include "header_review.h"

#include <algorithm>

namespace velmorant {

namespace {

bool sameFault(const Finding &a, const Finding &b)
{
    return a.rule == b.rule && a.field == b.field && a.signal == b.signal;
}

bool contains(const std::vector<Finding> &findings, const Finding &wanted)
{
    return std::any_of(findings.begin(), findings.end(),
                       [&](const Finding &f) { return sameFault(f, wanted); });
}

} // namespace

FileCheck checkHeaderBytes(const std::string &header, std::uintmax_t fileSize)
{
    FileCheck check;
    const std::vector<Finding> before = checkHeader(header, fileSize);
    check.preview = previewRepair(header, fileSize);
    const std::vector<Finding> after
        = check.preview.succeeds ? checkHeader(check.preview.header, fileSize) : before;
    for (const Finding &f : before)
        check.findings.push_back({f, !contains(after, f), false});
    for (const Finding &f : after)
        if (!contains(before, f))
            check.findings.push_back({f, false, true});
    check.sound = !hasError(before);
    check.soundAfterRepair = !hasError(after);
    return check;
}

} // namespace velmorant
