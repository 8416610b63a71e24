#pragma once

#include "edf/rules/header_check.h"

#include <cstdint>
#include <string>

namespace velmorant {

// The words for header text and findings, the same in every front end and
// in every failure reason. Header text is shown between quotes as found:
// printable ASCII as it stands, every other byte and the backslash as \xNN,
// so that a line feed or an escape sequence in a header can neither break a
// line nor reach a terminal.

std::string shownText(const std::string &text);

// A file name or path as every text output shows it, without quotes: as
// shownText, except that a well-formed UTF-8 character stays as it is (so
// "Müller_日本.edf" stays readable) unless it drives the terminal, and the
// backslash stays, being Windows' separator.
std::string shownName(const std::string &path);

// "number of samples in each data record of signal 2"; signal 0 is the fixed header.
std::string fieldName(const std::string &field, std::uint32_t signal);

// True for the field that holds the patient's name, birthdate and code:
// reports are shared and kept, and its text never goes into one.
bool identifiesPatient(const std::string &field, std::uint32_t signal);

// A field's text in double quotes, or for the patient's field a note that
// it is not shown.
std::string quotedFieldText(const std::string &field, std::uint32_t signal,
                            const std::string &text);

// `number of signals: "-1  ", expected a whole number from 1 to 9999`; for
// the patient's field the text found is left out.
std::string findingText(const Finding &finding);

} // namespace velmorant
