#pragma once

#include <optional>
#include <string>

namespace velmorant {

// The dates and times of an EDF header, read without any locale.

struct DayMonthYear {
    int day;
    int month; // 1 to 12
    int year; // as written: two digits in the start date, four in EDF+ subfields
};

// "dd.mm.yy": the start date field, when its three numbers make a date that
// exists (two-digit years stand for 1985 to 2084).
std::optional<DayMonthYear> startDate(const std::string &text);

// The start date or time with ':', '-' or '/' between its numbers read as
// '.', as the thorough repair settles them.
std::string withDotSeparators(std::string text);

// "hh.mm.ss" with hours 00 to 23 and minutes and seconds 00 to 59.
bool isStartTime(const std::string &text);

// "dd-MMM-yyyy" as EDF+ writes it in the identification fields: day 01 to
// 31, an English month in capitals (JAN to DEC), four digits of year.
std::optional<DayMonthYear> edfPlusDate(const std::string &text);

} // namespace velmorant
