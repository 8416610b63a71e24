#include "header_cases.h"

#include "edf_test_files.h"
#include "field_slots.h"

#include <functional>

using namespace velmorant;

namespace {

EdfFileSpec shortRecorder()
{
    EdfFileSpec fileSpec = recorderFile();
    fileSpec.storedRecords = 2;
    return fileSpec;
}

std::string built(EdfFileSpec fileSpec, const std::function<void(EdfFileSpec &)> &change)
{
    change(fileSpec);
    return buildEdf(fileSpec);
}

std::string recorderWith(const std::function<void(EdfFileSpec &)> &change)
{
    return built(shortRecorder(), change);
}

std::string withSlot(std::string bytes, const FieldSlot &slot, const std::string &text)
{
    bytes.replace(slot.offset, slot.width, padded(text, slot.width));
    return bytes;
}

std::string recorderWithFixed(FixedField f, const std::string &text)
{
    return withSlot(buildEdf(shortRecorder()), fixedSlot(f), text);
}

const std::string samplesName = field(SignalField::samplesPerRecord).name;

} // namespace

std::vector<FailingHeader> failingHeaders()
{
    const std::string recorder = buildEdf(shortRecorder());
    const std::string size = std::to_string(recorder.size());
    return {
        {"empty", "", RepairStep::readFixedHeader, "", ""},
        {"short_fixed_header", recorder.substr(0, 200), RepairStep::readFixedHeader, "", ""},
        {"fixed_header_only", recorder.substr(0, 256), RepairStep::signalHeaderTruncated, "",
         "256 bytes, 2 signals need 768"},
        {"cut_in_signal_header", recorder.substr(0, 700), RepairStep::signalHeaderTruncated, "",
         "700 bytes, 2 signals need 768"},
        {"too_many_signals", recorderWithFixed(FixedField::signalCount, "9999"),
         RepairStep::signalHeaderTruncated, "", size + " bytes, 9999 signals need 2560000"},
        {"blank_records", recorderWithFixed(FixedField::dataRecords, ""), RepairStep::parseField,
         field(FixedField::dataRecords).name, "        "},
        {"letter_duration", recorderWithFixed(FixedField::recordDuration, "x.5"),
         RepairStep::parseField, field(FixedField::recordDuration).name, "x.5     "},
        {"blank_signals", recorderWithFixed(FixedField::signalCount, ""), RepairStep::parseField,
         field(FixedField::signalCount).name, "    "},
        {"negative_signals", recorderWithFixed(FixedField::signalCount, "-1"),
         RepairStep::signalCount, field(FixedField::signalCount).name, "-1  "},
        {"samples_not_number",
         withSlot(recorder, signalSlot(SignalField::samplesPerRecord, 1, 2), "abc"),
         RepairStep::parseField, samplesName, "abc     "},
        {"zero_samples", recorderWith([](auto &s) {
             s.samplesPerRecord = {"0", "512"};
         }),
         RepairStep::samplesPerRecordBelowOne, samplesName, "0       "},
        {"negative_samples", recorderWith([](auto &s) {
             s.samplesPerRecord = {"-5", "512"};
         }),
         RepairStep::samplesPerRecordBelowOne, samplesName, "-5      "},
        {"recorder_without_signals",
         built(soundFile(),
               [](auto &s) {
                   s.version = "20170703";
                   s.samplesPerRecord.clear();
               })
             + "512     and then data",
         RepairStep::noSignals, "", ""},
        {"bdf",
         recorderWithFixed(FixedField::version,
                           "\xFF"
                           "BIOSEMI"),
         RepairStep::bdf, "", ""},
    };
}

std::vector<RepairableFile> repairableFiles()
{
    EdfFileSpec sound = soundFile();
    sound.storedRecords = 2;
    sound.dataRecords = "2";
    return {
        {"recorder", buildEdf(shortRecorder())},
        {"recorder_20170703", recorderWithFixed(FixedField::version, "20170703")},
        {"recorder_duration_1", recorderWithFixed(FixedField::recordDuration, "1")},
        {"recorder_uneven_count", recorderWithFixed(FixedField::dataRecords, "1000")},
        {"recorder_unknown_count", recorderWithFixed(FixedField::dataRecords, "-1")},
        {"recorder_unknown_count_1_sample", recorderWith([](auto &s) {
             s.dataRecords = "-1";
             s.samplesPerRecord = {"1", "512"};
         })},
        {"recorder_many_signals",
         recorderWith([](auto &s) { s.samplesPerRecord.assign(12, "16"); })},
        {"recorder_leading_zero_signals", recorderWithFixed(FixedField::signalCount, "0002")},
        {"recorder_without_data", recorderWith([](auto &s) { s.storedRecords = 0; })},
        {"sound", buildEdf(sound)},
        {"sound_edf_plus", built(sound, [](auto &s) { s.headerReserved = "EDF+C"; })},
        {"other_version", built(sound, [](auto &s) { s.version = "V2"; })},
        {"no_signals", built(sound, [](auto &s) { s.samplesPerRecord.clear(); })},
        {"recorder_count_confirmed", recorderWithFixed(FixedField::dataRecords, "2")},
        {"recorder_duration_1.5", recorderWithFixed(FixedField::recordDuration, "1.5")},
    };
}
