#pragma once

#include "edf/repair/repair_failure.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace velmorant {

// What the user asked to take out of each copy.
struct DeidentifyRequest {
    int days = 0; // the run's date shift
    bool keepDates = false; // the start dates and the dates in annotation texts stay
    std::vector<std::string> words; // further words to take out of annotation texts
    std::string keyFile; // where each copy's row goes before the copy is put in place
};

// What was done to one copy, and what the key needs to undo it. The
// original fields are held for the key alone: nothing shows them.
enum class StartDateCleared { moved, kept, placeholder };
struct Deidentification {
    bool done = false;
    int daysMoved = 0; // for the key alone: with 01.01.85 it gives the date back
    StartDateCleared startDate = StartDateCleared::moved;
    bool namesNobody = false; // annotation texts were searched for the user's words only
    std::uintmax_t textsChanged = 0;
    bool identityInFileName
        = false; // part of the name, code or birthdate, in a file or folder name
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
// found. fileNames: the names in the source's and the destination's paths,
// to warn about.
bool deidentifyCopy(std::FILE *copy, const std::string &sourceHeader,
                    const std::string &repairedHeader, std::uint32_t signals,
                    std::uintmax_t copySize, const DeidentifyRequest &request,
                    const std::vector<std::string> &fileNames, Deidentification &result,
                    RepairFailure &failure);

// The fixed header of a file, or empty when it cannot be read.
std::string fixedHeaderOf(const std::string &pathUtf8);

} // namespace velmorant
