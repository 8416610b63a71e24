#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace velmorant {

// Where a text writes a calendar date, as [from, to) byte ranges: numbers
// with '.', '/' or '-' between them, day-month or month-day ("17.08.2016",
// "08/17/16", "2016-08-17"), and English month names ("17 August 2016",
// "17-Aug-2016", "Aug 17, 2016"). Numbers that cannot be a day and a month
// are no date.
std::vector<std::pair<std::size_t, std::size_t>> datesIn(const std::string &text);

// The text with every date's bytes replaced by 'X'; `dates` counts them.
std::string withoutDates(const std::string &text, std::size_t &dates);

} // namespace velmorant
