#include "edf/format/edf_plus.h"

#include "edf/format/data_format.h"
#include "edf/format/edf_dates.h"
#include "edf/format/edf_header.h"

#include <algorithm>
#include <vector>

namespace velmorant {

namespace {

const std::string startdatePrefix = "Startdate ";

// The first `count` subfields, each holding something and followed by one
// space or the end of the text; nothing if there are fewer.
std::optional<std::vector<std::string>> subfields(const std::string &text, std::size_t count)
{
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (parts.size() < count) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        if (end == at)
            return std::nullopt;
        parts.push_back(text.substr(at, end - at));
        at = end + 1;
        if (end == text.size() && parts.size() < count)
            return std::nullopt;
    }
    return parts;
}

bool isDateOrUnknown(const std::string &text)
{
    return text == "X" || edfPlusDate(text).has_value();
}

bool hasPlusMark(const std::string &header, const std::string &plusMark)
{
    const std::string kind = fieldText(header.data(), FixedField::reserved).substr(0, 5);
    return kind == plusMark + "C" || kind == plusMark + "D";
}

} // namespace

bool isEdfPlus(const std::string &header)
{
    return hasPlusMark(header, dataFormat(header).plusMark);
}

bool isDiscontinuous(const std::string &header)
{
    return fieldText(header.data(), FixedField::reserved)
               .compare(0, 5, std::string(dataFormat(header).plusMark) + "D")
        == 0;
}

bool hasForeignPlusMark(const std::string &header)
{
    return isBdf(header) && hasPlusMark(header, "EDF+");
}

bool isAnnotationLabel(const std::string &header, const std::string &label)
{
    return label.substr(0, label.find_last_not_of(' ') + 1) == dataFormat(header).annotationLabel;
}

std::optional<std::string> patientObjection(const std::string &patient)
{
    const auto parts = subfields(patient, 4);
    const std::string sexes[] = {"M", "F", "X"};
    if (parts && std::count(std::begin(sexes), std::end(sexes), (*parts)[1])
        && isDateOrUnknown((*parts)[2]))
        return std::nullopt;
    return "EDF+ subfields separated by single spaces: patient code, sex (M, F or X), "
           "birthdate (dd-MMM-yyyy or X) and name, X for each one unknown";
}

std::optional<std::string> recordingObjection(const std::string &recording)
{
    if (recording.compare(0, startdatePrefix.size(), startdatePrefix) == 0) {
        const auto parts = subfields(recording.substr(startdatePrefix.size()), 4);
        if (parts && isDateOrUnknown((*parts)[0]))
            return std::nullopt;
    }
    return "EDF+ subfields separated by single spaces: \"Startdate\", the start date "
           "(dd-MMM-yyyy or X), hospital administration code, technician and equipment, X for "
           "each one unknown";
}

std::optional<std::string> startdateObjection(const std::string &recording,
                                              const std::string &startDateField)
{
    const std::string date = recording.substr(startdatePrefix.size(), 11);
    const auto written = edfPlusDate(date);
    const auto start = startDate(startDateField);
    if (!written || !start
        || (written->day == start->day && written->month == start->month
            && written->year % 100 == start->year))
        return std::nullopt;
    return "a Startdate that is the start date field's \"" + startDateField + "\"";
}

} // namespace velmorant
