#include "cli/corpus/summarize_reports.h"

#include "cli/corpus/corpus_summary.h"
#include "repair/platform/file_names.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

namespace velmorant {

namespace {

// Adds every line of one report; the reason, naming the line, where one is not a check's.
std::string addReport(std::istream &report, CorpusSummary &summary)
{
    std::string line, reason;
    for (std::size_t number = 1; std::getline(report, line); ++number) {
        if (line.empty())
            continue;
        const std::optional<JsonValue> value = parseJson(line);
        if (!value || !summary.add(*value, reason))
            return "line " + std::to_string(number) + ": "
                + (value ? reason : "not one JSON value; cut off?");
    }
    return report.bad() ? "it could not be read to its end" : "";
}

std::string addReportAt(const std::string &path, CorpusSummary &summary)
{
    if (path == "-")
        return addReport(std::cin, summary);
    errno = 0;
    std::ifstream report(toFsPath(path), std::ios::binary);
    if (!report)
        return std::string("it cannot be read: ")
            + (errno != 0 ? std::strerror(errno) : "it cannot be opened");
    return addReport(report, summary);
}

} // namespace

int summarizeReports(const Options &o, std::ostream &out, std::ostream &err)
{
    CorpusSummary summary;
    for (const std::string &path : o.paths) {
        const std::string reason = addReportAt(path, summary);
        if (!reason.empty()) {
            err << "velmorant-cli: " << path << ": " << reason << std::endl;
            return 1;
        }
    }
    if (o.json)
        out << summary.json() << std::endl;
    else
        out << summary.kindsText() << summary.countLine() << std::endl;
    return summary.allSoundOrRepairable() ? 0 : 1;
}

} // namespace velmorant
