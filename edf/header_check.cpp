#include "header_check.h"

#include "edf_header.h"
#include "edf_syntax.h"
#include "field_slots.h"

#include <array>
#include <optional>

namespace velmorant {

namespace {

// A rule's objection to a field: what it expected instead.
struct Objection {
    std::string expected;
    bool warning = false;
};
using Verdict = std::optional<Objection>;

// What the fixed-header rules may need beyond their own field's text.
struct Facts {
    std::optional<std::uint32_t> signalCount;
};

std::string quoted(const std::string &text)
{
    return "\"" + text + "\"";
}

std::string trimmedEnd(const std::string &text)
{
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

// ---- rules for one field of the fixed header -------------------------------

Verdict isZeroVersion(const std::string &text, const Facts &)
{
    if (text == "0       ")
        return std::nullopt;
    return Objection{quoted("0       ")};
}

// "dd.mm.yy" and "hh.mm.ss": three two-digit numbers joined by points.
std::optional<std::array<int, 3>> threeParts(const std::string &text)
{
    if (text.size() != 8 || text[2] != '.' || text[5] != '.')
        return std::nullopt;
    std::array<int, 3> parts{};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const char tens = text[3 * i], units = text[3 * i + 1];
        if (tens < '0' || tens > '9' || units < '0' || units > '9')
            return std::nullopt;
        parts[i] = (tens - '0') * 10 + (units - '0');
    }
    return parts;
}

int daysInMonth(int month, int twoDigitYear)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    // Two-digit years stand for 1985 to 2084, where every fourth year is a
    // leap year (2000 included).
    return month == 2 && twoDigitYear % 4 == 0 ? 29 : days[month - 1];
}

Verdict isDate(const std::string &text, const Facts &)
{
    const auto p = threeParts(text);
    if (p && (*p)[1] >= 1 && (*p)[1] <= 12 && (*p)[0] >= 1
        && (*p)[0] <= daysInMonth((*p)[1], (*p)[2]))
        return std::nullopt;
    return Objection{
        "a date dd.mm.yy that exists (day 01 to 31 as the month allows, month 01 to 12)"};
}

Verdict isTime(const std::string &text, const Facts &)
{
    const auto p = threeParts(text);
    if (p && (*p)[0] <= 23 && (*p)[1] <= 59 && (*p)[2] <= 59)
        return std::nullopt;
    return Objection{"a time hh.mm.ss (hours 00 to 23, minutes and seconds 00 to 59)"};
}

Verdict isHeaderSize(const std::string &text, const Facts &facts)
{
    if (!facts.signalCount)
        return std::nullopt; // the signal count's own finding says it all
    const std::uint32_t size = headerSize(*facts.signalCount);
    if (edfInteger(text) == static_cast<long long>(size))
        return std::nullopt;
    return Objection{std::to_string(size) + ": 256 bytes of fixed header and 256 for each of "
                     + std::to_string(*facts.signalCount) + " signals"};
}

Verdict isRecordCount(const std::string &text, const Facts &)
{
    const auto count = edfInteger(text);
    if (count && *count >= 1)
        return std::nullopt;
    if (count && *count == -1)
        return Objection{"a known number of data records (-1: the writer never filled it in)",
                         true};
    return Objection{"a whole number of data records, at least 1 (or -1 while unknown)"};
}

Verdict isDuration(const std::string &text, const Facts &)
{
    const auto seconds = edfNumber(text);
    if (seconds && *seconds >= 0)
        return std::nullopt;
    return Objection{"a number of seconds, not negative"};
}

Verdict isSignalCount(const std::string &text, const Facts &)
{
    const auto count = edfInteger(text);
    if (count && *count >= 1 && *count <= maxSignalCount)
        return std::nullopt;
    return Objection{"a whole number from 1 to 9999"};
}

struct FixedRule {
    const char *id;
    FixedField field;
    Verdict (*check)(const std::string &text, const Facts &facts);
};

const FixedRule fixedRules[] = {
    {"version", FixedField::version, isZeroVersion},
    {"date", FixedField::startDate, isDate},
    {"time", FixedField::startTime, isTime},
    {"header size", FixedField::headerBytes, isHeaderSize},
    {"records", FixedField::dataRecords, isRecordCount},
    {"duration", FixedField::recordDuration, isDuration},
    {"signals", FixedField::signalCount, isSignalCount},
};

// ---- rules for one signal's entry of a signal array -------------------------

constexpr long long digitalLowest = -32768;
constexpr long long digitalHighest = 32767;

Verdict isNumber(const std::string &text)
{
    if (edfNumber(text))
        return std::nullopt;
    return Objection{"a number"};
}

Verdict isDigitalValue(const std::string &text)
{
    const auto value = edfInteger(text);
    if (value && *value >= digitalLowest && *value <= digitalHighest)
        return std::nullopt;
    return Objection{"a whole number from -32768 to 32767"};
}

Verdict isSampleCount(const std::string &text)
{
    const auto count = edfInteger(text);
    if (count && *count >= 1)
        return std::nullopt;
    return Objection{"a whole number of samples, at least 1"};
}

struct SignalRule {
    const char *id;
    SignalField field;
    Verdict (*check)(const std::string &text);
};

const SignalRule signalRules[] = {
    {"number", SignalField::physicalMinimum, isNumber},
    {"number", SignalField::physicalMaximum, isNumber},
    {"digital value", SignalField::digitalMinimum, isDigitalValue},
    {"digital value", SignalField::digitalMaximum, isDigitalValue},
    {"samples", SignalField::samplesPerRecord, isSampleCount},
};

// Rules over two fields of one signal; a finding names the second field.
// Each stays silent while either field breaks its own rule above.

Verdict physicalRangeIsOpen(const std::string &minimum, const std::string &maximum)
{
    const auto low = edfNumber(minimum), high = edfNumber(maximum);
    if (!low || !high || *low != *high)
        return std::nullopt;
    return Objection{"a number different from the physical minimum " + quoted(minimum)};
}

Verdict digitalMinimumIsBelow(const std::string &minimum, const std::string &maximum)
{
    if (isDigitalValue(minimum) || isDigitalValue(maximum)) // either has an objection of its own
        return std::nullopt;
    if (*edfInteger(minimum) < *edfInteger(maximum))
        return std::nullopt;
    return Objection{"a whole number above the digital minimum " + quoted(minimum)};
}

struct PairRule {
    const char *id;
    SignalField first;
    SignalField second;
    Verdict (*check)(const std::string &first, const std::string &second);
};

const PairRule pairRules[] = {
    {"physical range", SignalField::physicalMinimum, SignalField::physicalMaximum,
     physicalRangeIsOpen},
    {"digital range", SignalField::digitalMinimum, SignalField::digitalMaximum,
     digitalMinimumIsBelow},
};

// ---- rules over the header as a whole ---------------------------------------

std::string bytesText(std::uintmax_t bytes)
{
    return std::to_string(bytes) + " bytes";
}

std::string dataRecords(std::uintmax_t count)
{
    return std::to_string(count) + (count == 1 ? " data record" : " data records");
}

// "3 data records and 12 bytes"
std::string inRecords(std::uintmax_t bytes, std::uintmax_t recordBytes)
{
    std::string text = dataRecords(bytes / recordBytes);
    if (bytes % recordBytes != 0)
        text += " and " + bytesText(bytes % recordBytes);
    return text;
}

class HeaderCheck
{
public:
    HeaderCheck(const std::string &header, std::uintmax_t fileSize)
        : header(header), fileSize(fileSize)
    { }

    std::vector<Finding> run()
    {
        if (header.size() < fixedHeaderSize) {
            add("header present", "file size", 0, bytesText(fileSize),
                {"at least 256 bytes, the fixed header"});
            return findings;
        }
        const Facts facts{validSignalCount()};
        const bool signalHeaderRead
            = facts.signalCount && header.size() >= headerSize(*facts.signalCount);
        if (facts.signalCount && !signalHeaderRead)
            add("header present", "file size", 0, bytesText(fileSize),
                {"at least " + bytesText(headerSize(*facts.signalCount)) + ", the header of "
                 + std::to_string(*facts.signalCount) + " signals"});
        const std::uint32_t signals = signalHeaderRead ? *facts.signalCount : 0;
        checkPrintable(signals);
        for (const FixedRule &rule : fixedRules)
            apply(rule.id, fixedSlot(rule.field), rule.check(text(fixedSlot(rule.field)), facts));
        if (signalHeaderRead) {
            checkSignals(signals);
            checkAnnotationSignal(signals);
            checkFileSize(signals);
        }
        return findings;
    }

private:
    std::optional<std::uint32_t> validSignalCount() const
    {
        const std::string field = text(fixedSlot(FixedField::signalCount));
        if (isSignalCount(field, {}))
            return std::nullopt;
        return static_cast<std::uint32_t>(*edfInteger(field));
    }

    std::string text(const FieldSlot &slot) const { return slotText(header, slot); }

    void add(const char *rule, const std::string &field, std::uint32_t signal,
             const std::string &found, const Objection &objection)
    {
        findings.push_back({rule, field, signal, found, objection.expected, objection.warning});
    }

    void apply(const char *rule, const FieldSlot &slot, const Verdict &verdict)
    {
        if (verdict)
            add(rule, slot.name, slot.signal, text(slot), *verdict);
    }

    void checkPrintable(std::uint32_t signals)
    {
        for (const FieldSlot &slot : allSlots(signals)) {
            const std::string field = text(slot);
            for (std::size_t i = 0; i < field.size(); ++i) {
                const auto byte = static_cast<unsigned char>(field[i]);
                if (byte >= 32 && byte <= 126)
                    continue;
                apply("printable", slot,
                      Objection{"printable ASCII only (byte values 32 to 126), not byte "
                                + std::to_string(byte) + " at position " + std::to_string(i + 1)});
                break;
            }
        }
    }

    void checkSignals(std::uint32_t signals)
    {
        for (std::uint32_t s = 1; s <= signals; ++s) {
            for (const SignalRule &rule : signalRules) {
                const FieldSlot slot = signalSlot(rule.field, s, signals);
                apply(rule.id, slot, rule.check(text(slot)));
            }
            for (const PairRule &rule : pairRules) {
                const FieldSlot first = signalSlot(rule.first, s, signals);
                const FieldSlot second = signalSlot(rule.second, s, signals);
                apply(rule.id, second, rule.check(text(first), text(second)));
            }
        }
    }

    void checkAnnotationSignal(std::uint32_t signals)
    {
        const FieldSlot reserved = fixedSlot(FixedField::reserved);
        const std::string kind = text(reserved).substr(0, 5);
        if (kind != "EDF+C" && kind != "EDF+D")
            return;
        for (std::uint32_t s = 1; s <= signals; ++s)
            if (trimmedEnd(text(signalSlot(SignalField::label, s, signals))) == "EDF Annotations")
                return;
        apply("annotations", reserved,
              Objection{"a signal labelled \"EDF Annotations\", which every EDF+ file has"});
    }

    // Bytes per data record, if every signal's sample count is valid.
    std::optional<std::uintmax_t> recordBytes(std::uint32_t signals) const
    {
        std::uintmax_t bytes = 0;
        for (std::uint32_t s = 1; s <= signals; ++s) {
            const std::string samples = text(signalSlot(SignalField::samplesPerRecord, s, signals));
            if (isSampleCount(samples))
                return std::nullopt;
            bytes += 2 * static_cast<std::uintmax_t>(*edfInteger(samples));
        }
        return bytes;
    }

    void checkFileSize(std::uint32_t signals)
    {
        const auto records = edfInteger(text(fixedSlot(FixedField::dataRecords)));
        const auto perRecord = recordBytes(signals);
        const std::uintmax_t headerBytes = headerSize(signals);
        if (!records || (*records < 1 && *records != -1) || !perRecord || fileSize < headerBytes)
            return;
        const std::uintmax_t data = fileSize - headerBytes;
        const std::string layout = "a header of " + bytesText(headerBytes) + " and ";
        if (*records == -1) {
            if (data % *perRecord != 0)
                add("file size", "file size", 0, bytesText(fileSize),
                    {layout + "whole data records of " + bytesText(*perRecord) + "; "
                     + bytesText(data % *perRecord) + " are left over"});
            return;
        }
        const auto count = static_cast<std::uintmax_t>(*records);
        std::uintmax_t expectedData = 0;
        if (__builtin_mul_overflow(count, *perRecord, &expectedData)
            || expectedData > UINTMAX_MAX - headerBytes) {
            add("file size", "file size", 0, bytesText(fileSize),
                {"more bytes than any file can hold: " + layout + dataRecords(count) + " of "
                 + bytesText(*perRecord)});
            return;
        }
        if (data == expectedData)
            return;
        const bool shorter = data < expectedData;
        const std::uintmax_t difference = shorter ? expectedData - data : data - expectedData;
        add("file size", "file size", 0, bytesText(fileSize),
            {bytesText(headerBytes + expectedData) + ": " + layout + dataRecords(count) + " of "
             + bytesText(*perRecord) + "; the file is " + bytesText(difference) + " ("
             + inRecords(difference, *perRecord) + ") " + (shorter ? "shorter" : "longer")});
    }

    const std::string &header;
    std::uintmax_t fileSize;
    std::vector<Finding> findings;
};

} // namespace

std::vector<Finding> checkHeader(const std::string &header, std::uintmax_t fileSize)
{
    return HeaderCheck(header, fileSize).run();
}

bool hasError(const std::vector<Finding> &findings)
{
    for (const Finding &f : findings)
        if (!f.warning)
            return true;
    return false;
}

} // namespace velmorant
