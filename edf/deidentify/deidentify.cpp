#include "edf/deidentify/deidentify.h"

#include "edf/format/edf_header.h"
#include "edf/format/edf_plus.h"
#include "edf/format/field_slots.h"
#include "edf/rules/timekeeping.h"
#include "edf/text/folded_text.h"

#include <algorithm>

namespace velmorant {

namespace {

const char *const monthNames[]
    = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

std::string trimmed(const std::string &field)
{
    const std::size_t end = field.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : field.substr(0, end + 1);
}

std::vector<std::string> subfields(const std::string &field)
{
    return splitAt(trimmed(field), " ");
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

// Meant to be blank: EDF+ keeps its mark there, plain EDF nothing.
std::string clearedReserved(const std::string &header)
{
    return padded(isEdfPlus(header) ? fieldText(header.data(), FixedField::reserved).substr(0, 5)
                                    : std::string(),
                  FixedField::reserved);
}

// The signals' text fields, but never an annotation signal's label, which
// says what the signal is.
std::vector<FieldSlot> searchedSlots(const std::string &header)
{
    std::vector<FieldSlot> slots;
    const std::uint32_t signals = wholeSignalHeader(header).value_or(0);
    for (std::uint32_t s = 1; s <= signals; ++s)
        for (SignalField f :
             {SignalField::label, SignalField::transducer, SignalField::physicalDimension,
              SignalField::prefiltering, SignalField::reserved})
            if (f != SignalField::label
                || !isAnnotationLabel(header, slotText(header, signalSlot(f, s, signals))))
                slots.push_back(signalSlot(f, s, signals));
    return slots;
}

void clearOtherTextFields(std::string &header, const Identity &identity)
{
    setField(header, FixedField::reserved, clearedReserved(header));
    const Needles needles = identity.all();
    for (const FieldSlot &slot : searchedSlots(header)) {
        std::size_t matches = 0;
        header.replace(slot.offset, slot.width,
                       redacted(header.substr(slot.offset, slot.width), needles, matches));
    }
}

} // namespace

std::optional<int> daysToEarliestDate(const std::string &startDateField)
{
    const auto date = startDate(startDateField);
    if (!date)
        return std::nullopt;
    return static_cast<int>(firstStartDay - daysOfStartDate(*date));
}

bool placeholderDate(const std::string &header)
{
    const std::vector<std::string> recording
        = subfields(fieldText(header.data(), FixedField::recording));
    return fieldText(header.data(), FixedField::startDate) == "01.01.85"
        || (isEdfPlus(header) && recording.size() >= 2 && recording[0] == "Startdate"
            && recording[1] == "X");
}

ClearedHeader clearedHeader(const std::string &header, int days, const Identity &identity,
                            bool keepDates)
{
    ClearedHeader cleared{header, {}};
    const bool placeholder = placeholderDate(header);
    const auto date = startDate(fieldText(header.data(), FixedField::startDate));
    if (!date && !keepDates && !placeholder)
        return {{}, "the start date field holds no date to move"};
    std::optional<DayMonthYear> moved;
    if (placeholder && !keepDates) {
        moved = civilFromDays(firstStartDay);
    } else if (date) {
        const long day = daysOfStartDate(*date) + (keepDates ? 0 : days);
        if (day < firstStartDay || day > lastStartDay)
            return {{},
                    "moving the start date by " + std::to_string(days)
                        + " days would take it outside 01.01.1985 to 31.12.2084, the dates EDF "
                          "can hold"};
        moved = civilFromDays(day);
    }
    if (moved)
        setField(cleared.header, FixedField::startDate,
                 twoDigits(moved->day) + "." + twoDigits(moved->month) + "."
                     + twoDigits(moved->year));
    clearOtherTextFields(cleared.header, identity);
    if (!isEdfPlus(header)) {
        setField(cleared.header, FixedField::patient, "X");
        setField(cleared.header, FixedField::recording, "X");
        return cleared;
    }
    const std::vector<std::string> recording
        = subfields(fieldText(header.data(), FixedField::recording));
    const bool dateKnown = moved && !(recording.size() >= 2 && recording[1] == "X");
    setField(cleared.header, FixedField::patient,
             clearedPatient(fieldText(header.data(), FixedField::patient)));
    setField(cleared.header, FixedField::recording,
             "Startdate " + (dateKnown ? edfPlusDateText(*moved) : std::string("X")) + " X X X");
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
    } else {
        addIdentifying(fields, subfields(patient),
                       {{0, "patient code"}, {2, "birthdate"}, {3, "patient name"}}, 4,
                       "further patient subfields");
        addIdentifying(fields, subfields(recording),
                       {{2, "admin code"}, {3, "technician"}, {4, "equipment"}}, 5,
                       "further recording subfields");
    }
    if (fieldText(header.data(), FixedField::reserved) != clearedReserved(header))
        fields.push_back(field(FixedField::reserved).name);
    // The signals' fields, searched for the header's own identity.
    const Needles needles = identityOf(patient, isEdfPlus(header), {}, recording).all();
    for (const FieldSlot &slot : searchedSlots(header))
        if (holdsAny(slotText(header, slot), needles))
            fields.push_back(std::string(slot.name) + " of signal " + std::to_string(slot.signal));
    return fields;
}

std::string identityLeftInHeader(const std::string &header, const Identity &identity)
{
    const std::vector<std::string> fields = identifyingFields(header);
    if (!fields.empty())
        return fields.front();
    const std::vector<std::string> patient
        = subfields(fieldText(header.data(), FixedField::patient));
    if (isEdfPlus(header) && patient.size() > 1 && patient[1] != "M" && patient[1] != "F"
        && patient[1] != "X")
        return "patient identification";
    const Needles needles = identity.all();
    for (const FieldSlot &slot : searchedSlots(header))
        if (holdsAny(slotText(header, slot), needles))
            return std::string(slot.name) + " of signal " + std::to_string(slot.signal);
    if (isEdfPlus(header)
        && startdateObjection(fieldText(header.data(), FixedField::recording),
                              fieldText(header.data(), FixedField::startDate)))
        return "recording identification";
    return {};
}

} // namespace velmorant
