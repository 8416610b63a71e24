#pragma once

#include <optional>
#include <string>

namespace velmorant {

// Seconds as a TAL or the header writes them, held exactly: an onset near
// the end of a long recording must compare equal to the sum of 100,000
// durations, which doubles do not promise. Digits past the attosecond are
// dropped; no writer comes near them.
struct WrittenSeconds {
    __int128 attoseconds = 0;
    int decimals = 0; // how many digits the text gave after its point
};

// "+12.5" or "-0.065" (sign required), as an onset is written.
std::optional<WrittenSeconds> onsetSeconds(const std::string &text);
// "30" or "0.5" (no sign), as a duration is written; trailing spaces allowed,
// as in the header's field.
std::optional<WrittenSeconds> durationSeconds(const std::string &text);

// The exact decimal text of a number of attoseconds: "10", "-0.5".
std::string secondsText(__int128 attoseconds);

// From 0 to below one second: where EDF+C has its first record start, the
// start time's fraction of a second.
bool isWithinFirstSecond(const WrittenSeconds &onset);

// One unit of the last digit written, of the finer of two numbers.
__int128 writtenPrecision(const WrittenSeconds &a, const WrittenSeconds &b);

} // namespace velmorant
