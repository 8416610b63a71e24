#include "edf/deidentify/deidentify.h"

#include "edf/format/edf_header.h"
#include "edf/format/edf_plus.h"
#include "edf/text/folded_text.h"

#include <algorithm>

namespace velmorant {

namespace {

const char *const monthNames[]
    = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

std::vector<std::string> split(const std::string &text, const std::string &separators)
{
    std::vector<std::string> parts;
    std::size_t at = 0;
    while ((at = text.find_first_not_of(separators, at)) != std::string::npos) {
        const std::size_t end = std::min(text.find_first_of(separators, at), text.size());
        parts.push_back(text.substr(at, end - at));
        at = end;
    }
    return parts;
}

std::string trimmed(const std::string &field)
{
    const std::size_t end = field.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : field.substr(0, end + 1);
}

std::vector<std::string> subfields(const std::string &field)
{
    return split(trimmed(field), " ");
}

std::size_t letters(const std::string &text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')
            || static_cast<unsigned char>(c) > 127;
    }));
}

// Needles of one character would take every such letter of every text.
void addNeedle(std::vector<std::u32string> &needles, const std::string &text)
{
    std::u32string needle = foldedNeedle(text);
    if (needle.size() >= 2 && std::find(needles.begin(), needles.end(), needle) == needles.end())
        needles.push_back(std::move(needle));
}

// value as `width` digits, zeros in front; value not negative.
std::string digits(int value, std::size_t width)
{
    const std::string text = std::to_string(value);
    return text.size() < width ? std::string(width - text.size(), '0') + text : text;
}

std::string twoDigits(int value)
{
    return digits(value % 100, 2);
}

std::string fourDigits(int value)
{
    return digits(value, 4);
}

void addBirthdate(Identity &identity, const DayMonthYear &d)
{
    const std::string day = twoDigits(d.day), month = twoDigits(d.month), year = fourDigits(d.year);
    for (const std::string &form : {day + "-" + monthNames[d.month - 1] + "-" + year,
                                    day + "." + month + "." + year.substr(2),
                                    year + "-" + month + "-" + day, day + month + year})
        addNeedle(identity.birthdate, form);
}

void addNameParts(Identity &identity, const std::string &name)
{
    for (const std::string &part : split(name, " _-,.'"))
        if (letters(part) >= 2)
            addNeedle(identity.nameParts, part);
}

// Days since 01.01.1970 of a date of the proleptic Gregorian calendar.
long daysFromCivil(int year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const long era = (year >= 0 ? year : year - 399) / 400;
    const long yearOfEra = year - era * 400;
    const long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

DayMonthYear civilFromDays(long days)
{
    days += 719468;
    const long era = (days >= 0 ? days : days - 146096) / 146097;
    const long dayOfEra = days - era * 146097;
    const long yearOfEra
        = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long monthIndex = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    const int month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    return {day, month, year};
}

// The start date's two-digit years stand for 1985 to 2084.
long daysOfStartDate(const DayMonthYear &d)
{
    return daysFromCivil(d.year >= 85 ? 1900 + d.year : 2000 + d.year, d.month, d.day);
}

const long firstStartDay = daysFromCivil(1985, 1, 1);
const long lastStartDay = daysFromCivil(2084, 12, 31);

std::string padded(std::string text, FixedField f)
{
    text.resize(field(f).width, ' ');
    return text;
}

void setField(std::string &header, FixedField f, const std::string &text)
{
    header.replace(offsetOf(f), field(f).width, padded(text, f));
}

std::string clearedPatient(const std::string &patient)
{
    const std::vector<std::string> parts = subfields(patient);
    const bool sexKnown = parts.size() > 1 && (parts[1] == "M" || parts[1] == "F");
    return "X " + (sexKnown ? parts[1] : std::string("X")) + " X X";
}

std::string edfPlusDateText(const DayMonthYear &d)
{
    return twoDigits(d.day) + "-" + monthNames[d.month - 1] + "-" + fourDigits(d.year);
}

void addIdentifying(std::vector<std::string> &fields, const std::vector<std::string> &parts,
                    const std::vector<std::pair<std::size_t, const char *>> &named,
                    std::size_t further, const char *furtherName)
{
    for (const auto &[index, name] : named)
        if (index < parts.size() && parts[index] != "X")
            fields.push_back(name);
    if (parts.size() > further)
        fields.push_back(furtherName);
}

} // namespace

std::vector<std::u32string> Identity::all() const
{
    std::vector<std::u32string> needles = nameParts;
    for (const auto *more : {&code, &birthdate, &words})
        needles.insert(needles.end(), more->begin(), more->end());
    return needles;
}

Identity identityOf(const std::string &patientField, bool edfPlus,
                    const std::vector<std::string> &words)
{
    Identity identity;
    for (const std::string &word : words)
        addNeedle(identity.words, word);
    const std::vector<std::string> parts = subfields(patientField);
    if (edfPlus && parts.size() >= 4) {
        if (parts[0] != "X")
            addNeedle(identity.code, parts[0]);
        if (const auto birthdate = edfPlusDate(parts[2]))
            addBirthdate(identity, *birthdate);
        if (parts[3] != "X")
            addNameParts(identity, parts[3]);
        return identity;
    }
    // Free text: any word may be a name or a code, and a date a birthdate.
    for (const std::string &word : parts) {
        if (const auto birthdate = edfPlusDate(word))
            addBirthdate(identity, *birthdate);
        else if (letters(word) >= 2)
            addNameParts(identity, word);
        else
            addNeedle(identity.code, word);
    }
    return identity;
}

std::optional<int> daysToEarliestDate(const std::string &startDateField)
{
    const auto date = startDate(startDateField);
    if (!date)
        return std::nullopt;
    return static_cast<int>(firstStartDay - daysOfStartDate(*date));
}

ClearedHeader clearedHeader(const std::string &header, int days)
{
    ClearedHeader cleared{header, {}};
    const auto date = startDate(fieldText(header.data(), FixedField::startDate));
    if (!date && days != 0)
        return {{}, "the start date field holds no date to move"};
    std::optional<DayMonthYear> moved;
    if (date) {
        const long day = daysOfStartDate(*date) + days;
        if (day < firstStartDay || day > lastStartDay)
            return {{},
                    "moving the start date by " + std::to_string(days)
                        + " days would take it outside 01.01.1985 to 31.12.2084, the dates EDF "
                          "can hold"};
        moved = civilFromDays(day);
        setField(cleared.header, FixedField::startDate,
                 twoDigits(moved->day) + "." + twoDigits(moved->month) + "."
                     + twoDigits(moved->year));
    }
    if (!isEdfPlus(header)) {
        setField(cleared.header, FixedField::patient, "X");
        setField(cleared.header, FixedField::recording, "X");
        return cleared;
    }
    setField(cleared.header, FixedField::patient,
             clearedPatient(fieldText(header.data(), FixedField::patient)));
    setField(cleared.header, FixedField::recording,
             "Startdate " + (moved ? edfPlusDateText(*moved) : std::string("X")) + " X X X");
    return cleared;
}

std::vector<std::string> identifyingFields(const std::string &header)
{
    const std::string patient = fieldText(header.data(), FixedField::patient);
    const std::string recording = fieldText(header.data(), FixedField::recording);
    std::vector<std::string> fields;
    if (!isEdfPlus(header)) {
        for (const auto &[text, name] : {std::pair{patient, "patient identification"},
                                         std::pair{recording, "recording identification"}})
            if (trimmed(text) != "X" && !trimmed(text).empty())
                fields.push_back(name);
        return fields;
    }
    addIdentifying(fields, subfields(patient),
                   {{0, "patient code"}, {2, "birthdate"}, {3, "patient name"}}, 4,
                   "further patient subfields");
    addIdentifying(fields, subfields(recording),
                   {{2, "admin code"}, {3, "technician"}, {4, "equipment"}}, 5,
                   "further recording subfields");
    return fields;
}

std::string identityLeftInHeader(const std::string &header, const Identity &identity)
{
    const std::vector<std::string> fields = identifyingFields(header);
    if (!fields.empty())
        return fields.front();
    const std::vector<std::u32string> needles = identity.all();
    for (FixedField f : {FixedField::patient, FixedField::recording})
        if (holdsAny(fieldText(header.data(), f), needles))
            return field(f).name;
    if (isEdfPlus(header)
        && startdateObjection(fieldText(header.data(), FixedField::recording),
                              fieldText(header.data(), FixedField::startDate)))
        return "recording identification";
    return {};
}

} // namespace velmorant
