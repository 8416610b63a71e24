#include "edf/deidentify/identity.h"

#include "edf/format/edf_dates.h"

#include <algorithm>
#include <cctype>
#include <regex>

namespace velmorant {

namespace {

const char *const monthNames[]
    = {"January", "February", "March",     "April",   "May",      "June",
       "July",    "August",   "September", "October", "November", "December"};

std::size_t letters(const std::string &text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')
            || static_cast<unsigned char>(c) > 127;
    }));
}

// Needles of one character would take every such letter of every text;
// those of three or fewer, every word they begin.
void addNeedle(Needles &needles, const std::string &text)
{
    Needle needle{foldedNeedle(text), false};
    needle.wholeWord = needle.text.size() <= 3;
    if (needle.text.size() >= 2
        && std::find(needles.begin(), needles.end(), needle) == needles.end())
        needles.push_back(std::move(needle));
}

// How German and Nordic names are written without their letters: "Müller"
// as "Mueller", "Søren" as "Soeren", "Åse" as "Aase", "Strauß" as "Strauss".
std::string transliterated(std::string text)
{
    static const std::pair<const char *, const char *> letters[]
        = {{"\xC3\xA4", "ae"}, {"\xC3\x84", "Ae"}, {"\xC3\xB6", "oe"}, {"\xC3\x96", "Oe"},
           {"\xC3\xBC", "ue"}, {"\xC3\x9C", "Ue"}, {"\xC3\xB8", "oe"}, {"\xC3\x98", "Oe"},
           {"\xC3\xA5", "aa"}, {"\xC3\x85", "Aa"}, {"\xC3\xA6", "ae"}, {"\xC3\x86", "Ae"},
           {"\xC3\x9F", "ss"}};
    for (const auto &[letter, written] : letters)
        for (std::size_t at = 0; (at = text.find(letter, at)) != std::string::npos;)
            text.replace(at, 2, written);
    return text;
}

void addNameParts(Needles &needles, const std::string &name)
{
    for (const std::string &part : splitAt(name, " _-,.'"))
        if (letters(part) >= 2) {
            addNeedle(needles, part);
            addNeedle(needles, transliterated(part));
        }
}

// value as `width` digits, zeros in front; value not negative.
std::string digits(int value, std::size_t width)
{
    const std::string text = std::to_string(value);
    return text.size() < width ? std::string(width - text.size(), '0') + text : text;
}

void addBirthdate(Identity &identity, const DayMonthYear &d)
{
    const std::string dd = digits(d.day, 2), mm = digits(d.month, 2), yyyy = digits(d.year, 4);
    const std::string day = std::to_string(d.day), month = std::to_string(d.month);
    const std::string name = monthNames[d.month - 1];
    for (const std::string &form :
         {dd + "." + mm + "." + yyyy, dd + "." + mm + "." + yyyy.substr(2),
          day + "." + month + "." + yyyy, dd + "/" + mm + "/" + yyyy, mm + "/" + dd + "/" + yyyy,
          day + "/" + month + "/" + yyyy, month + "/" + day + "/" + yyyy,
          dd + "-" + mm + "-" + yyyy, yyyy + "-" + mm + "-" + dd, dd + mm + yyyy,
          dd + "-" + name.substr(0, 3) + "-" + yyyy, day + "-" + name.substr(0, 3) + "-" + yyyy,
          day + " " + name + " " + yyyy, dd + " " + name + " " + yyyy,
          name + " " + day + ", " + yyyy})
        addNeedle(identity.birthdate, form);
}

int number(const std::string &text)
{
    return std::stoi(text);
}

// A birthdate however the patient field writes it: the EDF+ form, any case
// of month, or numbers day-month, month-day or year first. Where day and
// month could be either, both.
std::vector<DayMonthYear> birthdatesIn(const std::string &word)
{
    std::string upper = word;
    for (char &c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (const auto plus = edfPlusDate(upper))
        return {*plus};
    static const std::regex numbers("(\\d{1,2})[./-](\\d{1,2})[./-](\\d{4}|\\d{2})|"
                                    "(\\d{4})-(\\d{2})-(\\d{2})|(\\d{2})(\\d{2})(\\d{4})");
    std::smatch m;
    if (!std::regex_match(word, m, numbers))
        return {};
    const auto valid
        = [](int day, int month) { return day >= 1 && day <= 31 && month >= 1 && month <= 12; };
    if (m[4].matched) {
        const int day = number(m[6]), month = number(m[5]);
        return valid(day, month) ? std::vector<DayMonthYear>{{day, month, number(m[4])}}
                                 : std::vector<DayMonthYear>{};
    }
    const int at = m[1].matched ? 1 : 7;
    const int a = number(m[at]), b = number(m[at + 1]);
    int year = number(m[at + 2]);
    // Two digits of a birth year: the last century's unless that is past.
    if (year < 100)
        year += year > 30 ? 1900 : 2000;
    std::vector<DayMonthYear> dates;
    if (valid(a, b))
        dates.push_back({a, b, year});
    if (a != b && valid(b, a))
        dates.push_back({b, a, year});
    return dates;
}

void addCode(Needles &needles, const std::string &code)
{
    addNeedle(needles, code);
    std::string joined, spaced = code;
    for (char &c : spaced)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = ' ';
    std::copy_if(code.begin(), code.end(), std::back_inserter(joined),
                 [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
    addNeedle(needles, joined);
    addNeedle(needles, spaced);
    for (const std::string &run : splitAt(code,
                                          "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                          " -_./,:;#"))
        if (run.size() >= 5 && std::all_of(run.begin(), run.end(), [](char c) {
                return std::isdigit(static_cast<unsigned char>(c)) != 0;
            }))
            addNeedle(needles, run);
}

bool addAnyBirthdate(Identity &identity, const std::string &word)
{
    const std::vector<DayMonthYear> dates = birthdatesIn(word);
    for (const DayMonthYear &d : dates)
        addBirthdate(identity, d);
    return !dates.empty();
}

void addRecording(Identity &identity, const std::vector<std::string> &parts)
{
    for (std::size_t i = 2; i < std::min<std::size_t>(parts.size(), 4); ++i)
        if (parts[i] != "X") {
            addCode(identity.recording, parts[i]);
            addNameParts(identity.recording, parts[i]);
        }
}

} // namespace

std::vector<std::string> splitAt(const std::string &text, const std::string &separators)
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

Needles Identity::all() const
{
    Needles needles = nameParts;
    for (const auto *more : {&code, &birthdate, &recording, &words})
        needles.insert(needles.end(), more->begin(), more->end());
    return needles;
}

bool Identity::namesNobody() const
{
    return nameParts.empty() && code.empty() && birthdate.empty();
}

Identity identityOf(const std::string &patientField, bool edfPlus,
                    const std::vector<std::string> &words, const std::string &recordingField)
{
    Identity identity;
    for (const std::string &word : words)
        addNeedle(identity.words, word);
    const std::vector<std::string> parts = splitAt(patientField, " ");
    const std::vector<std::string> recording = splitAt(recordingField, " ");
    if (edfPlus && recording.size() >= 2 && recording[0] == "Startdate")
        addRecording(identity, recording);
    if (edfPlus && parts.size() >= 4) {
        if (parts[0] != "X")
            addCode(identity.code, parts[0]);
        if (parts[2] != "X" && !addAnyBirthdate(identity, parts[2]))
            addCode(identity.code, parts[2]);
        for (std::size_t i = 3; i < parts.size(); ++i)
            if (parts[i] != "X")
                addNameParts(identity.nameParts, parts[i]);
        return identity;
    }
    // Free text: any word may be a name or a code, and a date a birthdate.
    for (const std::string &word : parts) {
        if (addAnyBirthdate(identity, word))
            continue;
        if (letters(word) >= 2)
            addNameParts(identity.nameParts, word);
        if (letters(word) < 2 || std::any_of(word.begin(), word.end(), [](char c) {
                return std::isdigit(static_cast<unsigned char>(c)) != 0;
            }))
            addCode(identity.code, word);
    }
    return identity;
}

} // namespace velmorant
