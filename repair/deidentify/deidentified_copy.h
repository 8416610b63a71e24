#pragma once

#include "edf/repair/repair_failure.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace velmorant {

// What the user asked to take out of each copy.
struct DeidentifyRequest {
    int days = 0; // the run's date shift; 0 keeps the dates
    std::vector<std::string> words; // further words to take out of annotation texts
};

// What was done to one copy, and what the key needs to undo it. The
// original fields are held for the key alone: nothing shows them.
struct Deidentification {
    bool done = false;
    int daysMoved = 0;
    std::uintmax_t textsChanged = 0;
    bool identityInFileName = false; // part of the name or the birthdate
    std::string originalPatient;
    std::string originalRecording;
    std::string originalStartDate;
    std::string originalStartTime;
};

// Clears the identity from a staged copy whose header has been repaired:
// the fixed header rewritten, every annotation signal's texts redacted
// record by record (the samples' bytes are never read), then header and
// annotations read back; any identifying text left fails the copy.
// sourceHeader: the header as the source holds it, where the identity is
// found. fileNames: the source's and the destination's, to warn about.
bool deidentifyCopy(std::FILE *copy, const std::string &sourceHeader,
                    const std::string &repairedHeader, std::uint32_t signals,
                    std::uintmax_t copySize, const DeidentifyRequest &request,
                    const std::vector<std::string> &fileNames, Deidentification &result,
                    RepairFailure &failure);

// The start date field of a file's header, or empty when it cannot be read.
std::string startDateOf(const std::string &pathUtf8);

} // namespace velmorant
