#pragma once

#include <optional>
#include <string>

namespace velmorant {

// What EDF+ adds to EDF's header, as strict readers hold files to it.

// The reserved field of the fixed header starts with "EDF+C" or "EDF+D"
// ("BDF+C" or "BDF+D" in a BDF file).
bool isEdfPlus(const std::string &header);
// "EDF+D": its data records may leave gaps in time between them.
bool isDiscontinuous(const std::string &header);
// A BDF file marked "EDF+C" or "EDF+D", the marks of the other format.
bool hasForeignPlusMark(const std::string &header);

// The label of a signal that carries annotations instead of measurements:
// "EDF Annotations", or "BDF Annotations" in a BDF file.
bool isAnnotationLabel(const std::string &header, const std::string &label);

// Each gives what EDF+ expects when the field breaks its structure, nothing
// when it keeps it.
// Patient: code, sex (M, F or X), birthdate (dd-MMM-yyyy or X) and name,
// separated by single spaces; more subfields may follow.
std::optional<std::string> patientObjection(const std::string &patient);
// Recording: "Startdate", a date (dd-MMM-yyyy or X) and at least three more
// subfields, separated by single spaces.
std::optional<std::string> recordingObjection(const std::string &recording);
// The recording field's date must be the start date field's, when both are dates.
std::optional<std::string> startdateObjection(const std::string &recording,
                                              const std::string &startDateField);

} // namespace velmorant
