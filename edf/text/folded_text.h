#pragma once

#include <string>
#include <vector>

namespace velmorant {

// Text compared as a reader would see it: without case, and with Latin
// letters' accents and strokes left off, so that "MÜLLER", "müller" and
// "Muller" are one name. Text that is not well-formed UTF-8 is read byte by
// byte as Latin-1, as old header fields are written.

// A folded text to look for; a short one only as a word of its own, so
// that "Li" never takes the "Li" of "Lights".
struct Needle {
    std::u32string text;
    bool wholeWord = false;
    bool operator==(const Needle &other) const
    {
        return text == other.text && wholeWord == other.wholeWord;
    }
};
using Needles = std::vector<Needle>;

// The folded form of a text to look for; empty when nothing of it is left.
std::u32string foldedNeedle(const std::string &text);

// Whether the text holds any of the needles.
bool holdsAny(const std::string &text, const Needles &needles);

// The text with every byte of every match replaced by 'X', so that it keeps
// its length in bytes; `matches` counts the matches replaced.
std::string redacted(const std::string &text, const Needles &needles, std::size_t &matches);

} // namespace velmorant
