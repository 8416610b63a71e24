#pragma once

#include <string>

namespace velmorant {

// Strict UTF-8 to UTF-16: throws std::range_error("bad conversion") on a
// stray continuation byte, a missing continuation byte, a sequence cut off
// at the end, or a value above U+10FFFF.
std::u16string decodeUtf8(const std::string &utf8);

// The length of the well-formed UTF-8 character that starts at `at`, or 0 if
// none does: no overlong form, no surrogate (U+D800 to U+DFFF), nothing above
// U+10FFFF, nothing cut short. The decoder above lets the first two through,
// as paths have always been read; text handed to other programs must not.
std::size_t wellFormedLength(const std::string &text, std::size_t at);

// The well-formed character of `length` bytes that starts at `at`.
char32_t codePointAt(const std::string &text, std::size_t at, std::size_t length);

// A character a terminal acts on rather than shows: C0, DEL, C1, the line
// and paragraph separators, and the marks, embeddings, overrides and isolates
// that reorder the text after them (U+202E shows "fde.exe" as "exe.edf").
bool controlsTerminal(char32_t c);

} // namespace velmorant
