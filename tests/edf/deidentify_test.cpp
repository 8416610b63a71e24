// De-identification over bytes in memory: what is matched, what a header
// becomes, and which dates are refused. Identities are made up.
#include "edf/deidentify/annotation_redaction.h"
#include "edf/deidentify/dates_in_text.h"
#include "edf/deidentify/deidentify.h"
#include "edf/format/edf_header.h"
#include "edf/format/edf_plus.h"
#include "edf/format/field_slots.h"
#include "edf/text/folded_text.h"
#include "tests/support/edf_test_files.h"

#include <gtest/gtest.h>

using namespace velmorant;

namespace {

const std::string edfPlusPatient = "QZ-77410 F 09-MAR-1962 Wilhelmina_Oosterhuis-Brandt extra";

// Code and birthdate not as EDF+ writes them, a short name, an umlaut, an alias.
const std::string loosePatient = "MCH-0099817 M 03.04.1961 Jan_M\xC3\xBCller Li";

struct TextCase {
    std::string text;
    std::string expected; // byte for byte
    const std::string &patient = edfPlusPatient;
    bool dates = false; // dates written in the text go too
};

TEST(Deidentify, MatchesTheNameCodeAndBirthdateWithoutCaseOrAccent)
{
    const std::vector<TextCase> cases{
        {"OOSTERHUIS awake", "XXXXXXXXXX awake"},
        {"wilhelmina talks", "XXXXXXXXXX talks"},
        {"Öösterhüis", std::string(13, 'X')}, // UTF-8: two bytes each for Ö, ö and ü
        {"\xD6osterhuis", std::string(10, 'X')}, // Latin-1
        {"id qz-77410", "id XXXXXXXX"},
        {"born 09.03.62 / 1962-03-09 / 09031962 / 09-mar-1962",
         "born XXXXXXXX / XXXXXXXXXX / XXXXXXXX / XXXXXXXXXXX"},
        {"moved to ward 7", "moved to XXXXXX"},
        {"Brandtner", "XXXXXXner"},
        {"eyes closed", "eyes closed"},
        {"ADM-553 set up by tech", "XXXXXXX set up by XXXX"},
        {"Lights off, Li awake, JAN came", "Lights off, XX awake, XXX came", loosePatient},
        {"Jansen MUELLER muller", "Jansen XXXXXXX XXXXXX", loosePatient},
        {"0099817, MCH 0099817, MCH0099817", "XXXXXXX, XXXXXXXXXXX, XXXXXXXXXX", loosePatient},
        {"03/04/1961 04/03/1961 3 April 1961 3-Apr-1961 03-04-1961 1961-04-03",
         "XXXXXXXXXX XXXXXXXXXX XXXXXXXXXXXX XXXXXXXXXX XXXXXXXXXX XXXXXXXXXX", loosePatient},
        {"Recording started 17.08.2016, 08/17/16, 17 August 2016, Aug 17, 2016",
         "Recording started XXXXXXXXXX, XXXXXXXX, XXXXXXXXXXXXXX, XXXXXXXXXXXX", edfPlusPatient,
         true},
        {"montage 10-20, gain 1.5.2, 22:10", "montage 10-20, gain 1.5.2, 22:10", edfPlusPatient,
         true},
    };
    for (const TextCase &c : cases) {
        const Needles needles
            = identityOf(c.patient, true, {"Ward 7"}, "Startdate 14-FEB-2019 ADM-553 Tech Amp")
                  .all();
        std::size_t matches = 0, dates = 0;
        std::string text = redacted(c.text, needles, matches);
        if (c.dates)
            text = withoutDates(text, dates);
        EXPECT_EQ(text, c.expected) << c.text;
        EXPECT_EQ(holdsAny(c.text, needles) || (c.dates && !datesIn(c.text).empty()),
                  c.expected != c.text)
            << c.text;
    }
}

TEST(Deidentify, RedactsTextsButNeverOnsetsOrTheTimekeepingAnnotation)
{
    const Needles needles = identityOf(edfPlusPatient, true).all();
    const char tals[] = "+1962\x14\x14\x00+3\x15"
                        "1.5\x14Oosterhuis\x14lights\x14";
    std::string record(tals, sizeof tals); // the last 0x00 ends the TAL
    record.resize(64, '\0');
    std::string expected = record;
    expected.replace(expected.find("Oosterhuis"), 10, std::string(10, 'X'));
    EXPECT_EQ(redactRecord(record, Redaction{needles}, true).textsChanged, 1u);
    EXPECT_EQ(record, expected);
    EXPECT_FALSE(recordHoldsAny(record, Redaction{needles}, true));
    std::string unreadable = "Oosterhuis";
    EXPECT_NE(redactRecord(unreadable, Redaction{needles}, true).fault, TalFault::none);
    EXPECT_TRUE(recordHoldsAny(unreadable, Redaction{needles}, true));
}

std::string headerWith(const std::string &patient, const std::string &recording,
                       const std::string &date, const std::string &reserved)
{
    EdfFileSpec identified = soundFile();
    identified.patient = patient;
    identified.recording = recording;
    identified.startDate = date;
    identified.headerReserved = reserved;
    return buildEdf(identified).substr(0, headerSize(2));
}

std::string asBdf(std::string header)
{
    header.replace(offsetOf(FixedField::version), 8,
                   "\xFF"
                   "BIOSEMI");
    return header;
}

std::string withTransducer(std::string header, const std::string &text)
{
    const FieldSlot slot = signalSlot(SignalField::transducer, 1, 2);
    header.replace(slot.offset, slot.width, padded(text, slot.width));
    return header;
}

struct HeaderCase {
    const char *name;
    std::string header;
    int days;
    std::string patient, recording, startDate; // empty patient: refused
    std::string refusalQuotes = {}; // what a refusal's reason names
    bool keepDates = false;
    std::string signalsAfter = {}; // empty: as before
    std::string namedByCheck = "patient"; // among what --check calls identifying in the source
};

bool isCleared(FixedField f)
{
    return f == FixedField::patient || f == FixedField::recording || f == FixedField::startDate
        || f == FixedField::reserved;
}

TEST(Deidentify, ClearsTheFieldsAndMovesTheDateOrRefuses)
{
    const std::string plusRecording = "Startdate 14-FEB-2019 ADM-1 Tech_Name Amp_3000 room_4";
    const std::string malePatient = "QZ-77410 M 09-MAR-1962 Wilhelmina_Oosterhuis-Brandt";
    const std::vector<HeaderCase> cases{
        {"EDF+ moved", headerWith(edfPlusPatient, plusRecording, "14.02.19", "EDF+C"),
         *daysToEarliestDate("03.02.19"), "X F X X", "Startdate 12-JAN-1985 X X X", "12.01.85"},
        {"EDF+ kept", headerWith(edfPlusPatient, plusRecording, "14.02.19", "EDF+C"), 0, "X F X X",
         "Startdate 14-FEB-2019 X X X", "14.02.19"},
        {"EDF+ male", headerWith(malePatient, plusRecording, "14.02.19", "EDF+C"), 3, "X M X X",
         "Startdate 17-FEB-2019 X X X", "17.02.19"},
        {"BDF+ subfields", asBdf(headerWith(malePatient, plusRecording, "14.02.19", "BDF+C")), 0,
         "X M X X", "Startdate 14-FEB-2019 X X X", "14.02.19"},
        {"plain", headerWith("Wilhelmina Oosterhuis 1962", "Lab 3", "01.01.99", ""), -1, "X", "X",
         "31.12.98"},
        {"past 2084", headerWith(edfPlusPatient, plusRecording, "30.12.84", "EDF+C"), 2, "", "", "",
         "by 2 days"},
        {"before 1985", headerWith(edfPlusPatient, plusRecording, "02.01.85", "EDF+C"), -2, "", "",
         "", "by -2 days"},
        {"no date to move", headerWith(edfPlusPatient, plusRecording, "14/02/19", "EDF+C"), -5, "",
         "", "", "no date"},
        {"no date to move, kept",
         headerWith(edfPlusPatient, plusRecording, "14/02/19", "EDF+C"),
         -5,
         "X F X X",
         "Startdate X X X X",
         "14/02/19",
         {},
         true},
        {"placeholder", headerWith(edfPlusPatient, "Startdate X X X X", "01.01.85", "EDF+C"), -900,
         "X F X X", "Startdate X X X X", "01.01.85"},
        {"unknown start", headerWith(edfPlusPatient, "Startdate X X X X", "17.08.16", "EDF+C"),
         -900, "X F X X", "Startdate X X X X", "01.01.85"},
        {"named Jan", headerWith("QZ-1 M 01-JAN-1970 Jan", plusRecording, "14.02.19", "EDF+C"),
         *daysToEarliestDate("14.02.19"), "X M X X", "Startdate 01-JAN-1985 X X X", "01.01.85"},
        {"plain reserved",
         headerWith("Okonkwo", "Lab 3", "01.01.99", "Okonkwo 03-APR-1961"),
         0,
         "X",
         "X",
         "01.01.99",
         {},
         false,
         {},
         "reserved"},
        {"transducer",
         withTransducer(headerWith(edfPlusPatient, plusRecording, "14.02.19", "EDF+C"),
                        "AgCl cups Oosterhuis"),
         0,
         "X F X X",
         "Startdate 14-FEB-2019 X X X",
         "14.02.19",
         {},
         false,
         withTransducer(headerWith(edfPlusPatient, plusRecording, "14.02.19", "EDF+C"),
                        "AgCl cups XXXXXXXXXX")
             .substr(fixedHeaderSize),
         "transducer type of signal 1"},
    };
    for (const HeaderCase &c : cases) {
        const Identity identity
            = identityOf(fieldText(c.header.data(), FixedField::patient), isEdfPlus(c.header));
        const ClearedHeader cleared = clearedHeader(c.header, c.days, identity, c.keepDates);
        ASSERT_EQ(cleared.refusal.empty(), !c.patient.empty()) << c.name;
        if (c.patient.empty()) {
            EXPECT_NE(cleared.refusal.find(c.refusalQuotes), std::string::npos) << c.name;
            EXPECT_EQ(cleared.header, "") << c.name;
            continue;
        }
        ASSERT_EQ(cleared.header.size(), c.header.size()) << c.name;
        const char *h = cleared.header.data();
        EXPECT_EQ(fieldText(h, FixedField::patient), padded(c.patient, 80)) << c.name;
        EXPECT_EQ(fieldText(h, FixedField::recording), padded(c.recording, 80)) << c.name;
        EXPECT_EQ(fieldText(h, FixedField::startDate), c.startDate) << c.name;
        for (std::size_t i = 0; i < fixedFields.size(); ++i) {
            const auto f = static_cast<FixedField>(i);
            if (!isCleared(f)) {
                EXPECT_EQ(fieldText(h, f), fieldText(c.header.data(), f)) << field(f).name;
            }
        }
        EXPECT_EQ(fieldText(h, FixedField::reserved),
                  padded(isEdfPlus(c.header)
                             ? fieldText(c.header.data(), FixedField::reserved).substr(0, 5)
                             : "",
                         44))
            << c.name;
        EXPECT_EQ(cleared.header.substr(fixedHeaderSize),
                  c.signalsAfter.empty() ? c.header.substr(fixedHeaderSize) : c.signalsAfter);
        EXPECT_TRUE(identifyingFields(cleared.header).empty()) << c.name;
        EXPECT_EQ(identityLeftInHeader(cleared.header, identityOf(edfPlusPatient, true)), "")
            << c.name;
        EXPECT_EQ(identityLeftInHeader(cleared.header, identity), "") << c.name;
        EXPECT_NE(identityLeftInHeader(c.header, identity), "") << c.name;
        std::string named;
        for (const std::string &f : identifyingFields(c.header))
            named += f + ", ";
        EXPECT_NE(named.find(c.namedByCheck), std::string::npos) << c.name << ": " << named;
    }
}

} // namespace
