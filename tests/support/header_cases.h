#pragma once

#include "edf/repair/repair_failure.h"
#include "edf/repair/repair_preview.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// The files every part of the repair is tried on: the repair tests, the
// check's preview tests and the fuzzer's seeds all read these tables, so a
// new case reaches all three.

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

// Files the thorough repair is tried on, one per fault kind and outcome:
// fixed (field takes the text `text`), refused (no file; the reason names
// field, or the step says why), or left alone (field empty: it changes
// nothing the usual repair leaves). leftOut: bytes left out of the copy.
// original: for a file damaged in transfer, the file before; the copy holds its data.
struct ThoroughCase {
    const char *name;
    std::string bytes;
    velmorant::RepairStep refusal; // none when it repairs
    std::string field;
    std::uint32_t signal;
    std::string text; // the new text when fixed, the text found when refused (empty: any)
    std::uintmax_t leftOut;
    std::string original = {};
};
std::vector<ThoroughCase> thoroughCases();

// The thorough repair's preview of a whole file, its data area read in small
// chunks where the file is longer than its header says, as the file layer does.
velmorant::RepairPreview thoroughPreview(const std::string &file);
void PrintTo(const ThoroughCase &c, std::ostream *out); // its name, not its bytes
