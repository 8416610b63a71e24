#pragma once

#include "cli/selection/selection_options.h"

#include <string>
#include <vector>

namespace velmorant {

enum class Command { repairFile, repairFolder, check, summarize, help, version };

struct Options {
    Command command = Command::repairFile;
    bool json = false;
    bool thorough = false; // every fix the file settles, or nothing written
    bool recursive = false; // folders with every *.edf below them
    bool deidentify = false; // clear the copies' identity after the repair
    bool keepDates = false; // with deidentify: the start dates stay
    std::string redactFile; // with deidentify: further words, one a line
    std::string keyFile; // with deidentify: a CSV row per file, to undo it
    Selection selection; // a share of the files, a list of them, or only those not yet done
    // Not an option: set where stderr is known to be a terminal, so that a
    // copy's progress is drawn there (never with --json).
    bool progressOnStderr = false;
    std::vector<std::string> paths;
};

struct ParsedOptions {
    Options options;
    std::string error; // empty when the arguments made sense
};

// The arguments after the program's name.
ParsedOptions parseOptions(const std::vector<std::string> &arguments);

std::string usageText();
std::string helpText();
std::string versionText();

} // namespace velmorant
