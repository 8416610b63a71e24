#include "edf/wording/change_text.h"

#include "edf/wording/finding_text.h"

#include <algorithm>

namespace velmorant {

namespace {

std::string quoted(const std::string &text)
{
    return "\"" + shownText(text) + "\"";
}

bool isBlank(const std::string &text)
{
    return text.find_first_not_of(' ') == std::string::npos;
}

bool sameChange(const FieldChange &a, const FieldChange &b)
{
    return a.field == b.field && a.signal == b.signal && a.to == b.to;
}

} // namespace

std::string changeText(const FieldChange &change)
{
    if (identifiesPatient(change.field, change.signal))
        return change.field + " changed (not shown: it identifies the patient)";
    // Padding says nothing about a field that ends up blank.
    if (isBlank(change.to))
        return fieldName(change.field, change.signal) + " "
            + quoted(change.from.substr(0, change.from.find_last_not_of(' ') + 1)) + " -> blank";
    return fieldName(change.field, change.signal) + " " + quoted(change.from) + " -> "
        + quoted(change.to);
}

std::string leftOutText(std::uintmax_t bytes)
{
    return std::to_string(bytes) + " bytes after the last whole data record";
}

// The copy's data then differs from the source's: said before anything else.
std::string restoredText(std::uintmax_t n)
{
    return std::to_string(n) + (n == 1 ? " carriage return" : " carriage returns")
        + " that the transfer inserted before line feeds left out of the data; the copy's data "
          "differs from the source's";
}

std::vector<std::string> changeLines(const std::vector<FieldChange> &changes,
                                     std::uintmax_t leftOut, std::uintmax_t carriageReturnsRemoved)
{
    std::vector<std::string> lines;
    if (carriageReturnsRemoved != 0)
        lines.push_back("restored: " + restoredText(carriageReturnsRemoved));
    for (const FieldChange &change : changes)
        lines.push_back("change: " + changeText(change));
    if (leftOut != 0)
        lines.push_back("left out: " + leftOutText(leftOut));
    return lines;
}

std::vector<FieldChange> changesBeyond(const RepairPreview &repair, const RepairPreview &usual)
{
    std::vector<FieldChange> beyond;
    for (const FieldChange &change : repair.changes)
        if (std::none_of(usual.changes.begin(), usual.changes.end(),
                         [&](const FieldChange &c) { return sameChange(c, change); }))
            beyond.push_back(change);
    return beyond;
}

std::vector<std::string> thoroughChangeLines(const FileCheck &check)
{
    std::vector<std::string> lines;
    if (check.thorough.carriageReturnsRemoved != 0)
        lines.push_back("thorough: " + restoredText(check.thorough.carriageReturnsRemoved));
    for (const FieldChange &change : changesBeyond(check.thorough, check.preview))
        lines.push_back("thorough change: " + changeText(change));
    if (check.thorough.leftOut != 0)
        lines.push_back("thorough: leaves out " + leftOutText(check.thorough.leftOut));
    return lines;
}

} // namespace velmorant
