#pragma once

#include <string>

namespace velmorant {

// A text field of the header in printable ASCII, as wide as it was: a Latin
// letter with an accent or stroke becomes its base letter ("é" "e", "Ł" "L",
// "µ" "u"), NUL bytes that end the text become spaces, and any other byte
// outside printable ASCII becomes '_', EDF+'s stand-in for a space within a
// subfield. The field is read as UTF-8 when it is valid UTF-8 with a byte
// above 127, as Latin-1 otherwise; UTF-8 gets shorter and is padded with spaces.
std::string printableText(const std::string &field);

// The base letter of a Latin letter with an accent or stroke (U+00A0 to
// U+017F), the character itself if printable ASCII, '_' otherwise.
char baseLetter(char32_t c);

} // namespace velmorant
