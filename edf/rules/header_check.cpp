#include "edf/rules/header_check.h"

#include "edf/format/data_format.h"
#include "edf/format/edf_dates.h"
#include "edf/format/edf_header.h"
#include "edf/format/edf_plus.h"
#include "edf/format/edf_syntax.h"
#include "edf/format/field_slots.h"
#include "edf/format/record_layout.h"

#include <algorithm>
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
    std::optional<bool> onlyAnnotations; // every signal an annotation signal; unknown
                                         // while the signal header cannot be read
};

std::string quoted(const std::string &text)
{
    return "\"" + text + "\"";
}

// ---- rules for one field of the fixed header -------------------------------

// BDF's version field is its mark: a file holding it is BDF, whose version it is.
Verdict isZeroVersion(const std::string &text, const Facts &)
{
    if (text == "0       " || isBdf(text))
        return std::nullopt;
    return Objection{quoted("0       ")};
}

Verdict isDate(const std::string &text, const Facts &)
{
    if (startDate(text))
        return std::nullopt;
    return Objection{
        "a date dd.mm.yy that exists (day 01 to 31 as the month allows, month 01 to 12)"};
}

Verdict isTime(const std::string &text, const Facts &)
{
    if (isStartTime(text))
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
    // -1 stands for "not yet known" while a recording is written; readers
    // refuse it in a finished file.
    if (count && *count == -1)
        return Objection{"a known number of data records (-1: the writer never filled it in)"};
    return Objection{"a whole number of data records, at least 1"};
}

Verdict isDuration(const std::string &text, const Facts &facts)
{
    const auto seconds = edfNumber(text);
    if (!seconds || *seconds < 0)
        return Objection{"a number of seconds, not negative"};
    // Records of no duration hold no samples to place in time, only annotations.
    if (*seconds == 0 && facts.onlyAnnotations == false)
        return Objection{"a number of seconds above 0: records of no duration are for files of "
                         "annotation signals alone"};
    return std::nullopt;
}

Verdict isSignalCount(const std::string &text, const Facts &)
{
    const auto count = edfInteger(text);
    if (count && *count >= 1 && *count <= maxSignalCount)
        return std::nullopt;
    return Objection{"a whole number from 1 to 9999"};
}

struct FixedRule {
    Rule id;
    FixedField field;
    Verdict (*check)(const std::string &text, const Facts &facts);
};

const FixedRule fixedRules[] = {
    {Rule::version, FixedField::version, isZeroVersion},
    {Rule::startDate, FixedField::startDate, isDate},
    {Rule::startTime, FixedField::startTime, isTime},
    {Rule::headerSize, FixedField::headerBytes, isHeaderSize},
    {Rule::records, FixedField::dataRecords, isRecordCount},
    {Rule::duration, FixedField::recordDuration, isDuration},
    {Rule::signalCount, FixedField::signalCount, isSignalCount},
};

// ---- rules for one signal's entry of a signal array -------------------------

Verdict isNumber(const std::string &text, const DataFormat &)
{
    if (edfNumber(text))
        return std::nullopt;
    return Objection{"a number"};
}

Verdict isDigitalValue(const std::string &text, const DataFormat &format)
{
    const auto value = edfInteger(text);
    if (value && *value >= format.digitalLowest && *value <= format.digitalHighest)
        return std::nullopt;
    return Objection{"a whole number from " + std::to_string(format.digitalLowest) + " to "
                     + std::to_string(format.digitalHighest)};
}

Verdict isSampleCount(const std::string &text, const DataFormat &)
{
    const auto count = edfInteger(text);
    if (count && *count >= 1)
        return std::nullopt;
    return Objection{"a whole number of samples, at least 1"};
}

struct SignalRule {
    Rule id;
    SignalField field;
    Verdict (*check)(const std::string &text, const DataFormat &format);
};

const SignalRule signalRules[] = {
    {Rule::number, SignalField::physicalMinimum, isNumber},
    {Rule::number, SignalField::physicalMaximum, isNumber},
    {Rule::digitalValue, SignalField::digitalMinimum, isDigitalValue},
    {Rule::digitalValue, SignalField::digitalMaximum, isDigitalValue},
    {Rule::samples, SignalField::samplesPerRecord, isSampleCount},
};

// Rules over two fields of one signal; a finding names the second field.
// Each stays silent while either field breaks its own rule above.

Verdict physicalRangeIsOpen(const std::string &minimum, const std::string &maximum,
                            const DataFormat &)
{
    const auto low = edfNumber(minimum), high = edfNumber(maximum);
    if (!low || !high || *low != *high)
        return std::nullopt;
    return Objection{"a number different from the physical minimum " + quoted(minimum)};
}

Verdict digitalMinimumIsBelow(const std::string &minimum, const std::string &maximum,
                              const DataFormat &format)
{
    // Either has an objection of its own.
    if (isDigitalValue(minimum, format) || isDigitalValue(maximum, format))
        return std::nullopt;
    if (*edfInteger(minimum) < *edfInteger(maximum))
        return std::nullopt;
    return Objection{"a whole number above the digital minimum " + quoted(minimum)};
}

struct PairRule {
    Rule id;
    SignalField first;
    SignalField second;
    Verdict (*check)(const std::string &first, const std::string &second, const DataFormat &format);
};

const PairRule pairRules[] = {
    {Rule::physicalRange, SignalField::physicalMinimum, SignalField::physicalMaximum,
     physicalRangeIsOpen},
    {Rule::digitalRange, SignalField::digitalMinimum, SignalField::digitalMaximum,
     digitalMinimumIsBelow},
};

// ---- EDF+ annotation signals -------------------------------------------------

// A field of an annotation signal and what EDF+ fixes it to: the format's
// digital limit, or blank.
struct AnnotationRule {
    SignalField field;
    long long DataFormat::*limit; // null: blank
    bool warning; // readers take the file anyway
};

const AnnotationRule annotationRules[] = {
    {SignalField::transducer, nullptr, false},
    {SignalField::physicalDimension, nullptr, true},
    {SignalField::digitalMinimum, &DataFormat::digitalLowest, false},
    {SignalField::digitalMaximum, &DataFormat::digitalHighest, false},
    // Strict readers refuse a filter on a signal that holds no samples.
    {SignalField::prefiltering, nullptr, false},
};

Verdict keepsAnnotationRule(const AnnotationRule &rule, const std::string &text,
                            const DataFormat &format)
{
    if (rule.limit ? edfInteger(text) == format.*rule.limit
                   : text.find_first_not_of(' ') == std::string::npos)
        return std::nullopt;
    const std::string wanted = rule.limit ? std::to_string(format.*rule.limit) : "blank";
    return Objection{wanted + ", as in every annotation signal", rule.warning};
}

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
        : header(header), fileSize(fileSize), format(dataFormat(header)),
          edfPlus(header.size() >= fixedHeaderSize && isEdfPlus(header))
    { }

    std::vector<Finding> run()
    {
        if (header.size() < fixedHeaderSize) {
            add(Rule::headerPresent, "file size", 0, bytesText(fileSize),
                {"at least 256 bytes, the fixed header"});
            return findings;
        }
        Facts facts{validSignalCount(), std::nullopt};
        const bool signalHeaderRead
            = facts.signalCount && header.size() >= headerSize(*facts.signalCount);
        if (facts.signalCount && !signalHeaderRead)
            add(Rule::headerPresent, "file size", 0, bytesText(fileSize),
                {"at least " + bytesText(headerSize(*facts.signalCount)) + ", the header of "
                 + std::to_string(*facts.signalCount) + " signals"});
        const std::uint32_t signals = signalHeaderRead ? *facts.signalCount : 0;
        if (signalHeaderRead)
            facts.onlyAnnotations = annotationSignals(signals) == signals;
        checkPrintable(signals);
        for (const FixedRule &rule : fixedRules)
            apply(rule.id, fixedSlot(rule.field), rule.check(text(fixedSlot(rule.field)), facts));
        if (hasForeignPlusMark(header))
            apply(Rule::format, fixedSlot(FixedField::reserved),
                  Objection{"\"BDF+C\" or \"BDF+D\", the marks of a BDF file with annotations, "
                            "or no mark"});
        if (signalHeaderRead) {
            checkSignals(signals);
            checkEdfPlus(signals);
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

    void add(Rule rule, const std::string &field, std::uint32_t signal, const std::string &found,
             const Objection &objection)
    {
        findings.push_back({rule, field, signal, found, objection.expected, objection.warning});
    }

    void apply(Rule rule, const FieldSlot &slot, const Verdict &verdict)
    {
        if (verdict)
            add(rule, slot.name, slot.signal, text(slot), *verdict);
    }

    void checkPrintable(std::uint32_t signals)
    {
        forEachSlot(signals, [this](const FieldSlot &slot) {
            if (slot.offset == offsetOf(FixedField::version) && isBdf(header))
                return; // its first byte is BDF's mark
            const std::string_view field = slotBytes(header, slot);
            for (std::size_t i = 0; i < field.size(); ++i) {
                const auto byte = static_cast<unsigned char>(field[i]);
                if (byte >= 32 && byte <= 126)
                    continue;
                apply(Rule::printable, slot,
                      Objection{"printable ASCII only (byte values 32 to 126), not byte "
                                + std::to_string(byte) + " at position " + std::to_string(i + 1)});
                break;
            }
        });
    }

    void checkSignals(std::uint32_t signals)
    {
        for (std::uint32_t s = 1; s <= signals; ++s) {
            for (const SignalRule &rule : signalRules) {
                const FieldSlot slot = signalSlot(rule.field, s, signals);
                apply(rule.id, slot, rule.check(text(slot), format));
            }
            for (const PairRule &rule : pairRules) {
                const FieldSlot first = signalSlot(rule.first, s, signals);
                const FieldSlot second = signalSlot(rule.second, s, signals);
                apply(rule.id, second, rule.check(text(first), text(second), format));
            }
        }
    }

    bool isAnnotationSignal(std::uint32_t signal, std::uint32_t signals) const
    {
        return edfPlus
            && isAnnotationLabel(header, text(signalSlot(SignalField::label, signal, signals)));
    }

    std::uint32_t annotationSignals(std::uint32_t signals) const
    {
        std::uint32_t count = 0;
        for (std::uint32_t s = 1; s <= signals; ++s)
            count += isAnnotationSignal(s, signals) ? 1 : 0;
        return count;
    }

    void checkEdfPlus(std::uint32_t signals)
    {
        if (!edfPlus)
            return;
        const FieldSlot patient = fixedSlot(FixedField::patient);
        const FieldSlot recording = fixedSlot(FixedField::recording);
        apply(Rule::edfPlusPatient, patient, toVerdict(patientObjection(text(patient))));
        const Verdict structure = toVerdict(recordingObjection(text(recording)));
        apply(Rule::edfPlusRecording, recording, structure);
        if (!structure)
            apply(Rule::edfPlusStartdate, recording,
                  toVerdict(
                      startdateObjection(text(recording), text(fixedSlot(FixedField::startDate)))));
        if (annotationSignals(signals) == 0)
            apply(Rule::annotations, fixedSlot(FixedField::reserved),
                  Objection{std::string("a signal labelled \"") + format.annotationLabel
                            + "\", which every " + format.plusMark + " file has"});
        for (std::uint32_t s = 1; s <= signals; ++s)
            if (isAnnotationSignal(s, signals))
                checkAnnotationSignal(s, signals);
    }

    static Verdict toVerdict(const std::optional<std::string> &expected)
    {
        if (!expected)
            return std::nullopt;
        return Objection{*expected};
    }

    // It carries no measurement: readers insist on the fields EDF+ fixes for it.
    void checkAnnotationSignal(std::uint32_t signal, std::uint32_t signals)
    {
        for (const AnnotationRule &rule : annotationRules) {
            const FieldSlot slot = signalSlot(rule.field, signal, signals);
            apply(Rule::annotationSignal, slot, keepsAnnotationRule(rule, text(slot), format));
        }
    }

    void checkFileSize(std::uint32_t signals)
    {
        const auto records = edfInteger(text(fixedSlot(FixedField::dataRecords)));
        const auto layout = recordLayout(header, signals, fileSize);
        if (!records || (*records < 1 && *records != -1) || !layout)
            return;
        const std::uintmax_t perRecord = layout->recordBytes, headerBytes = layout->headerBytes;
        const std::uintmax_t data = layout->dataBytes;
        const std::string layoutText = "a header of " + bytesText(headerBytes) + " and ";
        if (*records == -1) {
            if (layout->leftOver() != 0)
                add(Rule::fileSize, "file size", 0, bytesText(fileSize),
                    {layoutText + "whole data records of " + bytesText(perRecord) + "; "
                     + bytesText(layout->leftOver()) + " are left over"});
            return;
        }
        const auto count = static_cast<std::uintmax_t>(*records);
        std::uintmax_t expectedData = 0;
        if (__builtin_mul_overflow(count, perRecord, &expectedData)
            || expectedData > UINTMAX_MAX - headerBytes) {
            add(Rule::fileSize, "file size", 0, bytesText(fileSize),
                {"more bytes than any file can hold: " + layoutText + dataRecords(count) + " of "
                 + bytesText(perRecord)});
            return;
        }
        if (data == expectedData)
            return;
        const bool shorter = data < expectedData;
        const std::uintmax_t difference = shorter ? expectedData - data : data - expectedData;
        add(Rule::fileSize, "file size", 0, bytesText(fileSize),
            {bytesText(headerBytes + expectedData) + ": " + layoutText + dataRecords(count) + " of "
             + bytesText(perRecord) + "; the file is " + bytesText(difference) + " ("
             + inRecords(difference, perRecord) + ") " + (shorter ? "shorter" : "longer")});
    }

    const std::string &header;
    std::uintmax_t fileSize;
    const DataFormat &format;
    const bool edfPlus; // asked of every signal
    std::vector<Finding> findings;
};

} // namespace

std::vector<Finding> checkHeader(const std::string &header, std::uintmax_t fileSize)
{
    return HeaderCheck(header, fileSize).run();
}

bool containsFault(const std::vector<Finding> &findings, const Finding &wanted)
{
    return std::any_of(findings.begin(), findings.end(), [&](const Finding &f) {
        return f.rule == wanted.rule && f.field == wanted.field && f.signal == wanted.signal;
    });
}

bool hasError(const std::vector<Finding> &findings)
{
    for (const Finding &f : findings)
        if (!f.warning)
            return true;
    return false;
}

} // namespace velmorant
