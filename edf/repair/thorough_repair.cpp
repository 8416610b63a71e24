#include "edf/repair/thorough_repair.h"

#include "edf/format/data_format.h"
#include "edf/format/edf_dates.h"
#include "edf/format/edf_header.h"
#include "edf/format/edf_plus.h"
#include "edf/format/edf_syntax.h"
#include "edf/format/field_slots.h"
#include "edf/format/record_layout.h"
#include "edf/format/recorder.h"
#include "edf/repair/header_patch.h"
#include "edf/repair/timekeeping_repair.h"
#include "edf/text/printable_text.h"

#include <algorithm>

namespace velmorant {

namespace {

// The record count field holds eight characters.
constexpr std::uintmax_t mostRecordsWritable = 99999999;

const FixedField fixedTextFields[]
    = {FixedField::patient, FixedField::recording, FixedField::reserved};
const SignalField signalTextFields[]
    = {SignalField::label, SignalField::transducer, SignalField::physicalDimension};

bool sameFault(const Finding &a, const Finding &b)
{
    return a.field == b.field && a.signal == b.signal;
}

class Settling
{
public:
    Settling(std::string &header, std::uint32_t signals, std::uintmax_t fileSize, RecordBytes *data)
        : header(header), signals(signals), fileSize(fileSize), data(data)
    {
        settled.keptSize = fileSize;
    }

    Settlement run(bool recorder)
    {
        settleTextFields();
        settleHeaderBytes();
        settleSeparators(FixedField::startDate,
                         [](const std::string &t) { return startDate(t).has_value(); });
        settleSeparators(FixedField::startTime, isStartTime);
        settleDecimalCommas();
        settleForeignPlusMark();
        const auto layout = recordLayout(header, signals, fileSize);
        if (layout && data)
            settleAnnotationMark(header, signals, *layout, *data);
        settleAnnotationSignals();
        if (layout) {
            if (recorder)
                settleRecorderDuration(*layout);
            settleRecordCount(*layout);
        }
        addRemainingErrors();
        return std::move(settled);
    }

private:
    std::string text(const FieldSlot &slot) const { return slotText(header, slot); }
    std::string text(FixedField f) const { return text(fixedSlot(f)); }
    FieldSlot slot(SignalField f, std::uint32_t signal) const
    {
        return signalSlot(f, signal, signals);
    }

    void write(const FieldSlot &slot, std::string value)
    {
        value.resize(slot.width, ' ');
        header.replace(slot.offset, slot.width, value);
    }

    void refuse(FixedField f, const std::string &expected)
    {
        const FieldSlot s = fixedSlot(f);
        settled.unsettled.push_back({Rule::settled, s.name, 0, text(s), expected, false});
    }

    void settleTextFields()
    {
        for (FixedField f : fixedTextFields)
            write(fixedSlot(f), printableText(text(f)));
        for (SignalField f : signalTextFields)
            for (std::uint32_t s = 1; s <= signals; ++s)
                write(slot(f, s), printableText(text(slot(f, s))));
    }

    void settleHeaderBytes()
    {
        const std::uint32_t bytes = headerSize(signals);
        if (edfInteger(text(FixedField::headerBytes)) != static_cast<long long>(bytes))
            write(fixedSlot(FixedField::headerBytes), std::to_string(bytes));
    }

    // "10:25:00", "17/08/16", "17-08-16": the numbers are there, only the points are not.
    template<typename Valid> void settleSeparators(FixedField f, Valid valid)
    {
        if (valid(text(f)))
            return;
        const std::string value = withDotSeparators(text(f));
        if (valid(value))
            write(fixedSlot(f), value);
    }

    void settleDecimalComma(const FieldSlot &s)
    {
        std::string value = text(s);
        if (edfNumber(value) || std::count(value.begin(), value.end(), ',') != 1
            || value.find('.') != std::string::npos)
            return;
        value[value.find(',')] = '.';
        if (edfNumber(value))
            write(s, value);
    }

    void settleDecimalCommas()
    {
        settleDecimalComma(fixedSlot(FixedField::recordDuration));
        for (std::uint32_t s = 1; s <= signals; ++s) {
            settleDecimalComma(slot(SignalField::physicalMinimum, s));
            settleDecimalComma(slot(SignalField::physicalMaximum, s));
        }
    }

    bool hasAnnotationSignal() const
    {
        for (std::uint32_t s = 1; s <= signals; ++s)
            if (isAnnotationLabel(header, text(slot(SignalField::label, s))))
                return true;
        return false;
    }

    // A BDF file's annotation signal shows it is BDF+; without one, the mark is wrong.
    void settleForeignPlusMark()
    {
        if (!hasForeignPlusMark(header))
            return;
        if (hasAnnotationSignal())
            header.replace(offsetOf(FixedField::reserved), 4, dataFormat(header).plusMark);
        else
            write(fixedSlot(FixedField::reserved), "");
    }

    // An annotation signal carries no measurement: EDF+ fixes its fields.
    void settleAnnotationSignals()
    {
        if (!isEdfPlus(header))
            return;
        const DataFormat &format = dataFormat(header);
        for (std::uint32_t s = 1; s <= signals; ++s) {
            if (!isAnnotationLabel(header, text(slot(SignalField::label, s))))
                continue;
            write(slot(SignalField::transducer, s), "");
            write(slot(SignalField::physicalDimension, s), "");
            write(slot(SignalField::digitalMinimum, s), std::to_string(format.digitalLowest));
            write(slot(SignalField::digitalMaximum, s), std::to_string(format.digitalHighest));
            const auto low = edfNumber(text(slot(SignalField::physicalMinimum, s)));
            const auto high = edfNumber(text(slot(SignalField::physicalMaximum, s)));
            if (!low || !high || *low == *high) {
                write(slot(SignalField::physicalMinimum, s), "-1");
                write(slot(SignalField::physicalMaximum, s), "1");
            }
        }
    }

    // The file shows the recorder's multiplied count when it holds that many
    // records, a last one cut short included.
    bool showsRecorderMultiplication(const RecordLayout &layout, std::uint32_t samples) const
    {
        const auto count = edfInteger(text(FixedField::dataRecords));
        const auto records = count ? multipliedRecords(*count, samples) : std::nullopt;
        return records
            && (*records == layout.wholeRecords()
                || (layout.leftOver() != 0 && *records == layout.wholeRecords() + 1));
    }

    void settleRecorderDuration(const RecordLayout &layout)
    {
        const auto count = edfInteger(text(FixedField::dataRecords));
        if (count && *count >= 0 && static_cast<std::uintmax_t>(*count) == layout.wholeRecords())
            return; // the file confirms the count, and with it the duration
        // Only the recorder writes its fraction: it is one second, whatever the count says.
        const std::uint32_t samples = *samplesPerRecord(header, 1, signals);
        if (showsRecorderMultiplication(layout, samples)
            || isRecorderFraction(text(FixedField::recordDuration), samples))
            setOneSecondRecords(&header[0]);
        else if (edfNumber(text(FixedField::recordDuration)) != 1.0)
            refuse(FixedField::recordDuration,
                   "one second, or the recorder's fraction of it: the record count shows "
                   "neither the records the file holds nor the recorder's multiple of them");
    }

    void settleRecordCount(const RecordLayout &layout)
    {
        const std::uintmax_t records = layout.wholeRecords();
        const auto count = edfInteger(text(FixedField::dataRecords));
        if (records == 0)
            return refuse(FixedField::dataRecords,
                          "at least one whole data record of " + std::to_string(layout.recordBytes)
                              + " bytes; the file holds " + std::to_string(layout.dataBytes)
                              + " bytes of data");
        if (records > mostRecordsWritable)
            return refuse(FixedField::dataRecords,
                          std::to_string(records) + " records, more than the field can hold");
        if (!count || *count < 0 || static_cast<std::uintmax_t>(*count) != records)
            write(fixedSlot(FixedField::dataRecords), std::to_string(records));
        settled.keptSize = layout.headerBytes + records * layout.recordBytes;
        // The time-keeping annotations confirm that what was counted are records.
        if (data)
            for (Finding &fault : settleTimekeeping(header, signals, layout, records, *data))
                settled.unsettled.push_back(std::move(fault));
    }

    void addRemainingErrors()
    {
        for (const Finding &f : checkHeader(header, settled.keptSize)) {
            const auto &known = settled.unsettled;
            if (!f.warning && std::none_of(known.begin(), known.end(), [&](const Finding &k) {
                    return sameFault(k, f);
                }))
                settled.unsettled.push_back(f);
        }
    }

    std::string &header;
    std::uint32_t signals;
    std::uintmax_t fileSize;
    RecordBytes *data;
    Settlement settled;
};

} // namespace

Settlement settleFromFile(std::string &header, std::uint32_t signalCount, std::uintmax_t fileSize,
                          bool recorder, RecordBytes *data)
{
    return Settling(header, signalCount, fileSize, data).run(recorder);
}

std::string whyUnsettled(const Finding &finding)
{
    return unsettledReason(finding.rule);
}

} // namespace velmorant
