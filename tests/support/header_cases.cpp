#include "tests/support/header_cases.h"

#include "edf/format/field_slots.h"
#include "tests/support/edf_test_files.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>

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
        {"recorder_samples_that_leave_no_record",
         withSlot(recorder, signalSlot(SignalField::samplesPerRecord, 1, 2), "99999999"),
         RepairStep::causesFault, field(FixedField::dataRecords).name, "0       "},
        {"recorder_without_signals",
         built(soundFile(),
               [](auto &s) {
                   s.version = "20170703";
                   s.samplesPerRecord.clear();
               })
             + "512     and then data",
         RepairStep::noSignals, "", ""},
        {"other_version_blank_records",
         withSlot(built(soundFile(), [](auto &s) { s.version = "V2"; }),
                  fixedSlot(FixedField::dataRecords), ""),
         RepairStep::parseField, field(FixedField::dataRecords).name, "        "},
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

namespace {

EdfFileSpec edfPlusFile()
{
    EdfFileSpec fileSpec = soundFile();
    fileSpec.headerReserved = "EDF+C";
    fileSpec.labels = {"EEG Fpz-Cz", "EDF Annotations"};
    return fileSpec;
}

std::string soundWith(FixedField f, const std::string &text)
{
    return withSlot(buildEdf(soundFile()), fixedSlot(f), text);
}

std::string soundWith(SignalField f, const std::string &text)
{
    return withSlot(buildEdf(soundFile()), signalSlot(f, 2, 2), text);
}

std::string edfPlusWith(SignalField f, const std::string &text)
{
    return withSlot(buildEdf(edfPlusFile()), signalSlot(f, 2, 2), text);
}

// The annotation signal's bytes of data record `record` (from 0) begin here.
std::size_t annotationsAt(std::size_t record)
{
    return 768 + record * 2048 + 1024;
}

std::string edfPlusD(const std::vector<std::string> &onsets)
{
    return built(edfPlusFile(), [&](auto &s) {
        s.headerReserved = "EDF+D";
        s.onsets = onsets;
    });
}

std::string edfPlusWithout(const std::string &kind)
{
    return built(edfPlusFile(), [&](auto &s) {
        s.headerReserved = kind;
        s.labels = {"EEG Fpz-Cz", "Resp"};
    });
}

// Line feeds given a carriage return in the data, as a text-mode transfer does.
std::string convertedLineFeeds(const std::string &bytes, std::size_t headerBytes)
{
    std::string converted = bytes.substr(0, headerBytes);
    for (std::size_t i = headerBytes; i < bytes.size(); ++i)
        converted += bytes[i] == '\n' ? "\r\n" : std::string(1, bytes[i]);
    return converted;
}

// Every byte that is not ASCII replaced by U+FFFD, as a text editor saving UTF-8 does.
std::string reencodedAsUtf8(const std::string &bytes, std::size_t headerBytes)
{
    std::string reencoded = bytes.substr(0, headerBytes);
    for (std::size_t i = headerBytes; i < bytes.size(); ++i)
        reencoded += static_cast<unsigned char>(bytes[i]) < 0x80 ? std::string(1, bytes[i])
                                                                 : "\xEF\xBF\xBD";
    return reencoded;
}

const char *name(FixedField f)
{
    return field(f).name;
}

const char *name(SignalField f)
{
    return field(f).name;
}

// A real sample of another writer, or nothing where the samples are absent.
std::string realBdf(const char *name)
{
    std::ifstream in(std::string(VELMORANT_REAL_BDF) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string withFixed(const std::string &bytes, FixedField f, const std::string &text)
{
    return withSlot(bytes, fixedSlot(f), text);
}

// The real BDF+C file (698 records of 420 bytes, its annotations 36 bytes
// into each, after a 768-byte header) and the real BDF file with a Status
// channel (10 records of 6000 bytes, 4 signals), each as written and damaged.
std::vector<ThoroughCase> realBdfCases()
{
    const std::string plus = realBdf("edfio_test_subsecond.bdf");
    const std::string status = realBdf("mne_bdf_stim_channel.bdf");
    if (plus.empty() || status.empty())
        return {};
    const RepairStep fixed = RepairStep::none, refused = RepairStep::unsettled;
    const char *records = name(FixedField::dataRecords);
    const char *reserved = name(FixedField::reserved);
    const std::size_t midAnnotation = 768 + 300 * 420 + 384;
    return {
        {"bdf_plus_sound", plus, fixed, "", 0, "", 0},
        {"bdf_status_sound", status, fixed, "", 0, "", 0},
        {"bdf_records_unknown", withFixed(status, FixedField::dataRecords, "-1"), fixed, records, 0,
         "10", 0},
        {"bdf_plus_records_unknown", withFixed(plus, FixedField::dataRecords, "-1"), fixed, records,
         0, "698", 0},
        {"bdf_records_zero", withFixed(status, FixedField::dataRecords, "0"), fixed, records, 0,
         "10", 0},
        {"bdf_records_stale", withFixed(status, FixedField::dataRecords, "12"), fixed, records, 0,
         "10", 0},
        {"bdf_records_leading_blanks", withFixed(status, FixedField::dataRecords, "  9"), fixed,
         records, 0, "10", 0},
        {"bdf_last_record_cut", status.substr(0, status.size() - 100), fixed, records, 0, "9",
         5900},
        {"bdf_plus_last_record_cut", plus.substr(0, plus.size() - 100), fixed, records, 0, "697",
         320},
        {"bdf_bytes_appended", status + "trailing", fixed, "", 0, "", 8},
        {"bdf_header_bytes", withFixed(status, FixedField::headerBytes, "768"), fixed,
         name(FixedField::headerBytes), 0, "1280", 0},
        {"bdf_plus_latin1_patient",
         withFixed(plus, FixedField::patient, "X F 20-JAN-1998 J\xE9r\xF4me_Doe"), fixed,
         name(FixedField::patient), 0, "X F 20-JAN-1998 Jerome_Doe", 0},
        {"bdf_date_with_slashes", withFixed(status, FixedField::startDate, "19/03/15"), fixed,
         name(FixedField::startDate), 0, "19.03.15", 0},
        {"bdf_plus_d_continuous", withFixed(plus, FixedField::reserved, "BDF+D"), fixed, reserved,
         0, "BDF+C", 0},
        {"bdf_plus_annotation_digital_maximum",
         withSlot(plus, signalSlot(SignalField::digitalMaximum, 2, 2), "32767"), fixed,
         name(SignalField::digitalMaximum), 2, "8388607", 0},
        {"bdf_plus_annotation_label_damaged",
         withSlot(plus, signalSlot(SignalField::label, 2, 2), "BDF Annotatoins"), fixed,
         name(SignalField::label), 2, "BDF Annotations", 0},
        {"bdf_plus_marked_edf_plus", withFixed(plus, FixedField::reserved, "EDF+C"), fixed,
         reserved, 0, "BDF+C", 0},
        {"bdf_marked_edf_plus_without_annotations",
         withFixed(status, FixedField::reserved, "EDF+D"), fixed, reserved, 0, "", 0},
        {"bdf_physical_range_empty",
         withSlot(status, signalSlot(SignalField::physicalMaximum, 2, 4), "-187470"), refused,
         name(SignalField::physicalMaximum), 2, "-187470", 0},
        {"bdf_digital_past_24_bits",
         withSlot(status, signalSlot(SignalField::digitalMaximum, 2, 4), "8388608"), refused,
         name(SignalField::digitalMaximum), 2, "8388608", 0},
        {"bdf_impossible_date", withFixed(status, FixedField::startDate, "32.03.15"), refused,
         name(FixedField::startDate), 0, "32.03.15", 0},
        {"bdf_plus_byte_removed", plus.substr(0, midAnnotation) + plus.substr(midAnnotation + 1),
         refused, "data record 301", 0, "", 0},
    };
}

} // namespace

std::vector<ThoroughCase> thoroughCases()
{
    const RepairStep fixed = RepairStep::none, refused = RepairStep::unsettled;
    const std::string sound = buildEdf(soundFile()); // 6 records of 2048 bytes
    const std::string recorder = recorderWithFixed(FixedField::dataRecords, "1024");
    const char *records = name(FixedField::dataRecords);
    const std::string edfPlus = buildEdf(edfPlusFile());
    std::string lastTalBroken = edfPlus;
    lastTalBroken.replace(annotationsAt(5) + 5, 10,
                          std::string("+5.5\x14"
                                      "Beep\0",
                                      10));
    // One whole record of the four counted, and a cut one: the recorder stopped early.
    const std::string interrupted
        = recorderWithFixed(FixedField::dataRecords, "2048").substr(0, recorder.size() - 100);
    const std::string recorder500 = recorderWith([](auto &s) {
        s.samplesPerRecord = {"500", "500"};
        s.recordDuration = "0.002";
    });
    const std::string recorder128 = recorderWith([](auto &s) {
        s.samplesPerRecord = {"128", "128"};
        s.recordDuration = "0.007813"; // 1/128 = 0.0078125
    });
    // An EDF+ file whose data holds a carriage return and line feed of its own.
    std::string edfPlusCrLf = edfPlus;
    const std::size_t plusHeader = 768;
    edfPlusCrLf.replace(plusHeader + 100, 2, "\r\n");
    std::vector<ThoroughCase> cases{
        {"records_unknown", soundWith(FixedField::dataRecords, "-1"), fixed, records, 0, "6", 0},
        {"records_zero", soundWith(FixedField::dataRecords, "0"), fixed, records, 0, "6", 0},
        {"records_not_number", soundWith(FixedField::dataRecords, "six"), fixed, records, 0, "6",
         0},
        {"records_one_too_many", soundWith(FixedField::dataRecords, "7"), fixed, records, 0, "6",
         0},
        {"last_record_cut", sound.substr(0, sound.size() - 100), fixed, records, 0, "5", 1948},
        {"bytes_appended", sound + "trailing", fixed, "", 0, "", 8},
        {"header_bytes", soundWith(FixedField::headerBytes, "512"), fixed,
         name(FixedField::headerBytes), 0, "768", 0},
        {"latin1_patient", soundWith(FixedField::patient, "X M 01-JAN-1970 J\xE9r\xF4me"), fixed,
         name(FixedField::patient), 0, "X M 01-JAN-1970 Jerome", 0},
        {"utf8_dimension", soundWith(SignalField::physicalDimension, "\xC2\xB5V"), fixed,
         name(SignalField::physicalDimension), 2, "uV", 0},
        {"nul_padded_label", soundWith(SignalField::label, std::string("EEG 2\0\0\0", 8)), fixed,
         name(SignalField::label), 2, "EEG 2", 0},
        {"date_with_slashes", soundWith(FixedField::startDate, "17/08/16"), fixed,
         name(FixedField::startDate), 0, "17.08.16", 0},
        {"time_with_colons", soundWith(FixedField::startTime, "10:25:00"), fixed,
         name(FixedField::startTime), 0, "10.25.00", 0},
        {"decimal_comma", soundWith(SignalField::physicalMinimum, "-3200,5"), fixed,
         name(SignalField::physicalMinimum), 2, "-3200.5", 0},
        {"annotation_digital_minimum", edfPlusWith(SignalField::digitalMinimum, "0"), fixed,
         name(SignalField::digitalMinimum), 2, "-32768", 0},
        {"recorder_multiplied", recorder, fixed, records, 0, "2", 0},
        {"recorder_multiplied_duration", recorder, fixed, name(FixedField::recordDuration), 0, "1",
         0},
        {"recorder_cut_in_last_record", recorder.substr(0, recorder.size() - 100), fixed, records,
         0, "1", 1948},
        {"recorder_count_confirmed", recorderWithFixed(FixedField::dataRecords, "2"), fixed, "", 0,
         "", 0},
        {"sound", sound, fixed, "", 0, "", 0},
        {"sound_edf_plus", buildEdf(edfPlusFile()), fixed, "", 0, "", 0},
        {"impossible_date", soundWith(FixedField::startDate, "32.08.16"), refused,
         name(FixedField::startDate), 0, "32.08.16", 0},
        {"impossible_time_with_colons", soundWith(FixedField::startTime, "25:00:00"), refused,
         name(FixedField::startTime), 0, "25:00:00", 0},
        {"physical_range_empty", soundWith(SignalField::physicalMaximum, "-3200"), refused,
         name(SignalField::physicalMaximum), 2, "-3200", 0},
        {"digital_past_16_bits", soundWith(SignalField::digitalMaximum, "40000"), refused,
         name(SignalField::digitalMaximum), 2, "40000", 0},
        {"samples_fraction", soundWith(SignalField::samplesPerRecord, "1.5"), refused,
         name(SignalField::samplesPerRecord), 2, "1.5", 0},
        {"edf_plus_patient", built(edfPlusFile(), [](auto &s) { s.patient = "Test Subject"; }),
         refused, name(FixedField::patient), 0, "Test Subject", 0},
        {"edf_plus_startdate_disagrees",
         built(edfPlusFile(), [](auto &s) { s.recording = "Startdate 18-AUG-2016 X X X"; }),
         refused, name(FixedField::recording), 0, "Startdate 18-AUG-2016 X X X", 0},
        {"edf_plus_without_annotations", edfPlusWithout("EDF+D"), refused,
         name(FixedField::reserved), 0, "EDF+D", 0},
        {"edf_plus_c_without_annotations_is_plain_edf", edfPlusWithout("EDF+C"), fixed,
         name(FixedField::reserved), 0, "", 0},
        {"edf_plus_annotation_label_damaged",
         withSlot(edfPlus, signalSlot(SignalField::label, 2, 2), "EDF Annotatoins"), fixed,
         name(SignalField::label), 2, "EDF Annotations", 0},
        {"edf_plus_byte_removed",
         edfPlus.substr(0, annotationsAt(2)) + edfPlus.substr(annotationsAt(2) + 1), refused,
         "data record 3", 0, "2\x14\x14", 0},
        {"edf_plus_byte_inserted",
         edfPlus.substr(0, annotationsAt(2)) + "x" + edfPlus.substr(annotationsAt(2)), refused,
         "data record 3", 0, "x+2\x14\x14", 0},
        {"edf_plus_last_tal_broken", lastTalBroken, refused, "data record 6", 0,
         "+5.5\x14"
         "Beep",
         0},
        {"edf_plus_d_continuous", edfPlusD({}), fixed, name(FixedField::reserved), 0, "EDF+C", 0},
        {"edf_plus_d_continuous_from_1_s", edfPlusD({"+1", "+2", "+3", "+4", "+5", "+6"}), fixed,
         "", 0, "", 0},
        {"edf_plus_d_gap", edfPlusD({"+0", "+1", "+2", "+13", "+14", "+15"}), fixed, "", 0, "", 0},
        {"edf_plus_d_going_back", edfPlusD({"+0", "+1", "+2", "+1.5", "+4", "+5"}), refused,
         "data record 4", 0, "+1.5", 0},
        {"edf_plus_c_gap",
         built(edfPlusFile(), [](auto &s) { s.onsets = {"+0", "+1", "+2", "+13", "+14", "+15"}; }),
         refused, "data record 4", 0, "+13", 0},
        {"edf_plus_c_starting_late",
         built(edfPlusFile(), [](auto &s) { s.onsets = {"+1", "+2", "+3", "+4", "+5", "+6"}; }),
         refused, "data record 1", 0, "+1", 0},
        {"edf_plus_stale_count_records_continue",
         built(edfPlusFile(), [](auto &s) { s.storedRecords = 8; }), fixed, records, 0, "8", 0},
        {"edf_plus_stale_count_not_records", edfPlus + std::string(2048, 'x'), refused,
         "data record 7", 0, "xxxxxxxxxxxxxxxxxxxxxxxx", 0},
        {"no_whole_record",
         built(soundFile(),
               [](auto &s) {
                   s.dataRecords = "-1";
                   s.storedRecords = 0;
               }),
         refused, records, 0, "-1", 0},
        {"recorder_fraction_unknown_count", recorderWithFixed(FixedField::dataRecords, "-1"), fixed,
         records, 0, "2", 0},
        {"recorder_fraction_zero_count", recorderWithFixed(FixedField::dataRecords, "0"), fixed,
         name(FixedField::recordDuration), 0, "1", 0},
        {"recorder_interrupted", interrupted, fixed, records, 0, "1", 1948},
        {"recorder_interrupted_duration", interrupted, fixed, name(FixedField::recordDuration), 0,
         "1", 1948},
        {"recorder_fraction_at_odds", recorderWithFixed(FixedField::dataRecords, "1000"), fixed,
         records, 0, "2", 0},
        {"recorder_fraction_exact", withSlot(recorder500, fixedSlot(FixedField::dataRecords), "-1"),
         fixed, name(FixedField::recordDuration), 0, "1", 0},
        {"recorder_fraction_rounded_up",
         withSlot(recorder128, fixedSlot(FixedField::dataRecords), "-1"), fixed,
         name(FixedField::recordDuration), 0, "1", 0},
        {"recorder_unknown_count_other_duration",
         withSlot(recorderWithFixed(FixedField::dataRecords, "-1"),
                  fixedSlot(FixedField::recordDuration), "0.5"),
         refused, name(FixedField::recordDuration), 0, "0.5", 0},
        {"recorder_fraction_too_short",
         withSlot(recorderWithFixed(FixedField::dataRecords, "-1"),
                  fixedSlot(FixedField::recordDuration), "0.00195"),
         refused, name(FixedField::recordDuration), 0, "0.00195", 0},
        {"line_feeds_converted", convertedLineFeeds(edfPlusCrLf, plusHeader), fixed, "", 0, "", 0,
         edfPlusCrLf},
        {"recorder_line_feeds_converted", convertedLineFeeds(recorder, 768), fixed, records, 0, "2",
         0, recorder},
        {"line_feeds_converted_and_cut", convertedLineFeeds(edfPlusCrLf, plusHeader) + "x", refused,
         "data", 0, "", 0},
        {"reencoded_as_utf8", reencodedAsUtf8(edfPlusCrLf, plusHeader), refused, "data", 0, "", 0},
    };
    for (ThoroughCase &c : realBdfCases())
        cases.push_back(std::move(c));
    return cases;
}

RepairPreview thoroughPreview(const std::string &file)
{
    TransferDamage damage;
    if (const auto surplus = dataSurplus(file, file.size())) {
        TransferScanner scanner;
        for (std::size_t at = surplus->dataOffset; at < file.size(); at += 7)
            scanner.feed(file.data() + at, std::min<std::size_t>(7, file.size() - at));
        damage = judgeTransferDamage(surplus->surplus, scanner.finish());
    }
    BytesInMemory records(file);
    return previewRepair(file, file.size(), RepairMode::thorough, &records, damage);
}

void PrintTo(const ThoroughCase &c, std::ostream *out)
{
    *out << c.name;
}
