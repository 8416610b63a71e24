#include "edf/format/edf_syntax.h"
#include "edf/format/field_slots.h"
#include "edf/rules/header_check.h"
#include "tests/support/edf_test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>

using namespace velmorant;

namespace {

std::string withSlot(std::string bytes, const FieldSlot &slot, const std::string &text)
{
    bytes.replace(slot.offset, slot.width, padded(text, slot.width));
    return bytes;
}

std::vector<Finding> check(const std::string &bytes)
{
    return checkHeader(bytes, bytes.size());
}

std::vector<Finding> check(const EdfFileSpec &fileSpec)
{
    return check(buildEdf(fileSpec));
}

std::string listed(const std::vector<Finding> &findings)
{
    std::string text;
    for (const Finding &f : findings)
        text
            += f.field + " " + std::to_string(f.signal) + " [" + f.found + "] " + f.expected + "\n";
    return text;
}

EdfFileSpec edfPlus(const char *kind)
{
    EdfFileSpec fileSpec = soundFile();
    fileSpec.headerReserved = kind;
    fileSpec.labels = {"EEG Fpz-Cz", "EDF Annotations"};
    fileSpec.samplesPerRecord = {"100", "60"};
    return fileSpec;
}

} // namespace

TEST(EdfSyntax, IntegersHaveOnlyASignDigitsAndTrailingSpaces)
{
    EXPECT_EQ(edfInteger("1800    "), 1800);
    EXPECT_EQ(edfInteger("+5      "), 5);
    EXPECT_EQ(edfInteger("-1      "), -1);
    EXPECT_EQ(edfInteger("00000512"), 512);
    for (const char *bad :
         {"", "        ", "  12    ", "1 2     ", "1.0     ", "12ab    ", "-       ", "1e3     "})
        EXPECT_FALSE(edfInteger(bad).has_value()) << '"' << bad << '"';
}

// Readers take every decimal form a C-locale strtod reads whole.
TEST(EdfSyntax, NumbersAreTheDecimalFormsStrtodReadsWhole)
{
    EXPECT_DOUBLE_EQ(*edfNumber("0.001953"), 0.001953);
    EXPECT_DOUBLE_EQ(*edfNumber("-3200   "), -3200);
    EXPECT_DOUBLE_EQ(*edfNumber("1.      "), 1);
    EXPECT_DOUBLE_EQ(*edfNumber("-32.E2  "), -3200);
    EXPECT_DOUBLE_EQ(*edfNumber("1e3     "), 1000);
    EXPECT_DOUBLE_EQ(*edfNumber("+5.     "), 5);
    EXPECT_DOUBLE_EQ(*edfNumber("-.5     "), -0.5);
    EXPECT_DOUBLE_EQ(*edfNumber("2E-1    "), 0.2);
    for (const char *bad :
         {"        ", "1.2.3   ", "1,5     ", " 1.5    ", "+       ", ".       ", "1e      ",
          "1e+     ", "e3      ", "0x1A    ", "inf     ", "nan     ", "1 e3    ", "1e999   "})
        EXPECT_FALSE(edfNumber(bad).has_value()) << '"' << bad << '"';
}

TEST(EdfSyntax, ADecimalCommaLocaleChangesNothing)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "de_DE.UTF-8 is not installed (scripts/install-deps.sh --tests adds it)";
    const auto half = edfNumber("0.5     ");
    const auto comma = edfNumber("0,5     ");
    std::setlocale(LC_ALL, previous.c_str());
    ASSERT_TRUE(half.has_value());
    EXPECT_DOUBLE_EQ(*half, 0.5);
    EXPECT_FALSE(comma.has_value());
}

// Files that real readers take as they are: no finding at all.
TEST(HeaderCheck, SoundFilesOfEveryKindGiveNoFinding)
{
    EdfFileSpec differentRates = soundFile();
    differentRates.samplesPerRecord = {"256", "100", "1"};
    EdfFileSpec unknownLength = soundFile();
    EdfFileSpec zeroDuration = edfPlus("EDF+D");
    zeroDuration.recordDuration = "0";
    zeroDuration.labels = {"EDF Annotations"};
    zeroDuration.samplesPerRecord = {"60"};
    const std::pair<const char *, EdfFileSpec> sound[] = {
        {"plain EDF", soundFile()},
        {"EDF+C with annotations", edfPlus("EDF+C")},
        {"EDF+D of annotations alone, records of no duration", zeroDuration},
        {"different samples per record", differentRates},
    };
    for (const auto &[name, fileSpec] : sound)
        EXPECT_EQ(listed(check(fileSpec)), "") << name;
}

TEST(HeaderCheck, NineThousandNineHundredNinetyNineSignalsAreAllowed)
{
    EdfFileSpec many = soundFile();
    many.samplesPerRecord.assign(9999, "1");
    many.storedRecords = 6;
    EXPECT_EQ(listed(check(many)), "");
}

// Each case breaks one rule of an otherwise sound file.
struct OneFault {
    const char *name;
    std::string bytes;
    std::string field;
    std::uint32_t signal;
    std::string found;
    bool warning;
};

void PrintTo(const OneFault &c, std::ostream *out)
{
    *out << c.name;
}

class HeaderCheckFault : public ::testing::TestWithParam<OneFault>
{
};

TEST_P(HeaderCheckFault, IsTheOnlyFindingAndQuotesTheText)
{
    const OneFault &c = GetParam();
    const std::vector<Finding> findings = check(c.bytes);
    ASSERT_EQ(findings.size(), 1u) << listed(findings);
    EXPECT_EQ(findings[0].field, c.field);
    EXPECT_EQ(findings[0].signal, c.signal);
    EXPECT_EQ(findings[0].found, c.found);
    EXPECT_EQ(findings[0].warning, c.warning);
    EXPECT_FALSE(findings[0].expected.empty());
}

namespace {

OneFault fixedFault(const char *name, FixedField f, const std::string &text, bool warning = false)
{
    const FieldSlot slot = fixedSlot(f);
    return {
        name,   withSlot(buildEdf(soundFile()), slot, text), slot.name, 0, padded(text, slot.width),
        warning};
}

OneFault signalFault(const char *name, SignalField f, const std::string &text)
{
    const FieldSlot slot = signalSlot(f, 2, 2);
    return {
        name, withSlot(buildEdf(soundFile()), slot, text), slot.name, 2, padded(text, slot.width),
        false};
}

std::string withSignal2(SignalField f, const std::string &text)
{
    return withSlot(buildEdf(soundFile()), signalSlot(f, 2, 2), text);
}

OneFault edfPlusFault(const char *name, FixedField f, const std::string &text)
{
    const FieldSlot slot = fixedSlot(f);
    return {name,
            withSlot(buildEdf(edfPlus("EDF+C")), slot, text),
            slot.name,
            0,
            padded(text, slot.width),
            false};
}

// Signal 2 of edfPlus() carries the annotations.
OneFault annotationFault(const char *name, SignalField f, const std::string &text, bool warning)
{
    const FieldSlot slot = signalSlot(f, 2, 2);
    return {name,
            withSlot(buildEdf(edfPlus("EDF+C")), slot, text),
            slot.name,
            2,
            padded(text, slot.width),
            warning};
}

std::vector<OneFault> oneFaultCases()
{
    const std::string sound = buildEdf(soundFile());
    std::string controlByte = sound;
    controlByte[8 + 3] = '\x01';
    std::string highByte = withSignal2(SignalField::label, "EEG \xC8");
    EdfFileSpec oneRecordShort = soundFile();
    oneRecordShort.storedRecords = 5;
    const std::string shortData = buildEdf(oneRecordShort);
    EdfFileSpec noAnnotations = edfPlus("EDF+C");
    noAnnotations.labels = {"EEG Fpz-Cz", "Resp"};
    const std::string cutHeader = sound.substr(0, 700);
    return {
        {"control_byte", controlByte, "patient identification", 0, controlByte.substr(8, 80),
         false},
        {"byte_above_126", highByte, "label", 2, padded("EEG \xC8", 16), false},
        fixedFault("recorder_version", FixedField::version, "20160817"),
        fixedFault("blank_version", FixedField::version, ""),
        fixedFault("day_32", FixedField::startDate, "32.01.99"),
        fixedFault("day_0", FixedField::startDate, "00.01.99"),
        fixedFault("month_13", FixedField::startDate, "01.13.99"),
        fixedFault("february_29_1999", FixedField::startDate, "29.02.99"),
        fixedFault("date_with_slashes", FixedField::startDate, "17/08/16"),
        fixedFault("hour_24", FixedField::startTime, "24.00.00"),
        fixedFault("second_60", FixedField::startTime, "10.00.60"),
        fixedFault("header_size_of_one_signal", FixedField::headerBytes, "512"),
        fixedFault("zero_signals", FixedField::signalCount, "0"),
        fixedFault("negative_signals", FixedField::signalCount, "-1"),
        fixedFault("signals_in_exponent_form", FixedField::signalCount, "1e4"),
        fixedFault("zero_records", FixedField::dataRecords, "0"),
        fixedFault("records_with_leading_space", FixedField::dataRecords, " 6"),
        fixedFault("records_as_fraction", FixedField::dataRecords, "6.0"),
        fixedFault("unknown_records", FixedField::dataRecords, "-1"),
        fixedFault("duration_zero_with_measured_signals", FixedField::recordDuration, "0"),
        fixedFault("negative_duration", FixedField::recordDuration, "-1"),
        fixedFault("duration_with_comma", FixedField::recordDuration, "0,5"),
        signalFault("physical_minimum_text", SignalField::physicalMinimum, "low"),
        signalFault("physical_range_empty", SignalField::physicalMaximum, "-3200.0"),
        signalFault("digital_minimum_-32769", SignalField::digitalMinimum, "-32769"),
        signalFault("digital_maximum_32768", SignalField::digitalMaximum, "32768"),
        signalFault("digital_range_empty", SignalField::digitalMaximum, "-32768"),
        signalFault("zero_samples", SignalField::samplesPerRecord, "0"),
        {"one_record_short", shortData, "file size", 0, std::to_string(shortData.size()) + " bytes",
         false},
        {"one_byte_too_many", sound + "x", "file size", 0,
         std::to_string(sound.size() + 1) + " bytes", false},
        {"edf_plus_without_annotations", buildEdf(noAnnotations), "reserved", 0,
         padded("EDF+C", 44), false},
        edfPlusFault("edf_plus_patient_two_subfields", FixedField::patient, "Test Subject"),
        edfPlusFault("edf_plus_patient_sex_as_word", FixedField::patient, "X Male X Name"),
        edfPlusFault("edf_plus_birthdate_numeric", FixedField::patient, "X M 1970-01-01 Name"),
        edfPlusFault("edf_plus_patient_double_space", FixedField::patient, "X M  X Name"),
        edfPlusFault("edf_plus_recording_without_startdate", FixedField::recording,
                     "17-AUG-2016 X X X"),
        edfPlusFault("edf_plus_recording_two_subfields", FixedField::recording,
                     "Startdate 17-AUG-2016 X X"),
        edfPlusFault("edf_plus_startdate_disagrees", FixedField::recording,
                     "Startdate 17-AUG-2015 X X X"),
        annotationFault("annotation_transducer", SignalField::transducer, "AgAgCl", false),
        annotationFault("annotation_dimension", SignalField::physicalDimension, "uV", true),
        annotationFault("annotation_digital_maximum", SignalField::digitalMaximum, "100", false),
        annotationFault("annotation_prefiltering", SignalField::prefiltering, "HP:0Hz LP:0Hz N:0Hz",
                        false),
        // Its records counted in 3-byte samples, its version and byte 255 in it sound.
        {"bdf_sized_as_bdf",
         withSlot(sound, fixedSlot(FixedField::version),
                  "\xFF"
                  "BIOSEMI"),
         "file size", 0, std::to_string(sound.size()) + " bytes", false},
        {"header_cut_short", cutHeader, "file size", 0, "700 bytes", false},
        {"shorter_than_fixed_header", sound.substr(0, 200), "file size", 0, "200 bytes", false},
    };
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Rules, HeaderCheckFault, ::testing::ValuesIn(oneFaultCases()),
                         [](const auto &info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', 'm');
                             return name;
                         });

TEST(HeaderCheck, BoundaryValuesPass)
{
    const std::string sound = buildEdf(soundFile());
    const std::pair<FixedField, const char *> fixed[] = {
        {FixedField::startDate, "31.12.99"}, {FixedField::startDate, "29.02.00"},
        {FixedField::startDate, "01.01.85"}, {FixedField::startTime, "23.59.59"},
        {FixedField::startTime, "00.00.00"}, {FixedField::recordDuration, "1E-3"},
        {FixedField::dataRecords, "+6"},
    };
    for (const auto &[f, text] : fixed)
        EXPECT_EQ(listed(check(withSlot(sound, fixedSlot(f), text))), "") << text;
    const std::string digital = withSlot(withSignal2(SignalField::digitalMinimum, "-32768"),
                                         signalSlot(SignalField::digitalMaximum, 2, 2), "-32767");
    EXPECT_EQ(listed(check(digital)), "");
}

TEST(HeaderCheck, FileSizeSaysByHowManyBytesAndRecords)
{
    EdfFileSpec fileSpec = soundFile(); // records of 2 × 512 samples, 2048 bytes
    fileSpec.storedRecords = 4;
    const std::string bytes = buildEdf(fileSpec) + "abc";
    const std::vector<Finding> findings = check(bytes);
    ASSERT_EQ(findings.size(), 1u) << listed(findings);
    EXPECT_EQ(findings[0].expected,
              "13056 bytes: a header of 768 bytes and 6 data records of 2048 bytes; "
              "the file is 4093 bytes (1 data record and 2045 bytes) shorter");
}

// -1 in a file on disk: the writer never filled the count in, and strict readers refuse it.
TEST(HeaderCheck, UnknownRecordCountIsAFaultAndStillWantsWholeRecords)
{
    EdfFileSpec fileSpec = soundFile();
    fileSpec.dataRecords = "-1";
    const std::vector<Finding> whole = check(fileSpec);
    ASSERT_EQ(whole.size(), 1u) << listed(whole);
    EXPECT_FALSE(whole[0].warning);
    const std::vector<Finding> ragged = check(buildEdf(fileSpec) + "x");
    ASSERT_EQ(ragged.size(), 2u) << listed(ragged);
    EXPECT_EQ(ragged[1].field, "file size");
    EXPECT_FALSE(ragged[1].warning);
    EXPECT_TRUE(hasError(ragged));
    EXPECT_TRUE(hasError(whole));
}

TEST(HeaderCheck, RecorderFileBreaksVersionAndFileSize)
{
    const std::vector<Finding> findings = check(recorderFile());
    ASSERT_EQ(findings.size(), 2u) << listed(findings);
    EXPECT_EQ(findings[0].field, "version");
    EXPECT_EQ(findings[0].found, "20160817");
    EXPECT_EQ(findings[1].field, "file size");
}
