#pragma once

#include "repair_failure.h"

#include <string>
#include <vector>

// The files every part of the repair is tried on: the repair tests, the
// check's preview tests and the fuzzer's seeds all read these two tables,
// so a new case reaches all three.

// Files the repair refuses, with the reason it must give.
struct FailingHeader {
    const char *name;
    std::string bytes;
    velmorant::RepairStep step;
    std::string field;
    std::string found;
};
std::vector<FailingHeader> failingHeaders();

// Files the repair takes, each a different way through it. Their data
// sections are short: the header is what differs.
struct RepairableFile {
    const char *name;
    std::string bytes;
};
std::vector<RepairableFile> repairableFiles();
