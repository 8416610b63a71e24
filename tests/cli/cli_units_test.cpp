#include "cli/corpus/corpus_summary.h"
#include "cli/json_line.h"
#include "cli/json_value.h"
#include "cli/options.h"
#include "cli/progress_line.h"
#include "cli/report.h"
#include "edf/wording/change_text.h"
#include "edf/wording/failure_text.h"
#include "repair/plan/folder_listing.h"
#include "repair/plan/run_plan.h"
#include "tests/support/edf_test_files.h"
#include "tests/support/header_cases.h"
#include "tests/support/scratch_dir.h"

#include <filesystem>

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using namespace velmorant;

TEST(DerivedDestination, DropsFourCharactersWhateverTheyAre)
{
    EXPECT_EQ(derivedDestination("D:/rec/a.edf"), "D:/rec/aFixed.edf");
    EXPECT_EQ(derivedDestination("D:/rec/A.EDF"), "D:/rec/AFixed.edf");
    EXPECT_EQ(derivedDestination("D:/rec/data"), "D:/rec/Fixed.edf");
    EXPECT_EQ(derivedDestination("abcd"), "Fixed.edf");
    EXPECT_EQ(derivedDestination("abc"), "abcFixed.edf");
    EXPECT_EQ(derivedDestination(""), "Fixed.edf");
}

TEST(DerivedDestination, CountsCharactersAsTheWindowDoes)
{
    // é is one UTF-16 unit in two bytes; U+1F600 is two units in four bytes.
    EXPECT_EQ(derivedDestination("ab\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"), "abFixed.edf");
    EXPECT_EQ(derivedDestination("M\xC3\xBCller.edf"), "M\xC3\xBCllerFixed.edf");
    EXPECT_EQ(derivedDestination("M\xC3\xBCller.BDF"), "M\xC3\xBCllerFixed.bdf");
    EXPECT_EQ(derivedDestination("a.bdf.edf"), "a.bdfFixed.edf");
    EXPECT_EQ(derivedDestination("ab\xF0\x9F\x98\x80\xF0\x9F\x98\x80"), "abFixed.edf");
    EXPECT_EQ(derivedDestination("\xC3\xA9\xC3\xA9\xC3\xA9"),
              "\xC3\xA9\xC3\xA9\xC3\xA9"
              "Fixed.edf");
}

TEST(FolderListing, ListsEdfEntriesAsTheWindowDoes)
{
    ScratchDir dir;
    for (const char *name : {"b.edf", "A.edf", "C.EDF", "c.txt", ".hidden.edf", "x.edf.bak", "edf",
                             "d.BDF", "y.bdf.bak"})
        writeBytes(dir / name, "x");
    fs::create_directory(dir / "sub.edf");
    std::error_code noLinks; // Wine makes none
    fs::create_symlink(dir / "absent", dir / "broken.edf", noLinks);
    const std::string folder = dir.path().string();
    EXPECT_EQ(edfEntries(folder).names,
              (std::vector<std::string>{"A.edf", "b.edf", "C.EDF", "sub.edf"}));
    EXPECT_EQ(edfEntries(folder + "/").names, edfEntries(folder).names);
    // The command line takes BDF recordings too.
    EXPECT_EQ(edfEntries(folder, RecordingNames::edfOrBdf).names,
              (std::vector<std::string>{"A.edf", "b.edf", "C.EDF", "d.BDF", "sub.edf"}));
    for (const std::string &none : {(dir / "b.edf").string(), (dir / "absent").string(), {}}) {
        EXPECT_TRUE(edfEntries(none).names.empty());
        EXPECT_TRUE(edfEntries(none).unlisted.empty());
    }
}

// Types come from the folder's listing, where a link is a link: one to a
// file is listed, one to a folder is not followed down.
TEST(FolderListing, FollowsLinksToFilesNotToFolders)
{
    ScratchDir dir;
    fs::create_directory(dir / "sub");
    for (const char *name : {"a.edf", "sub/b.edf"})
        writeBytes(dir / name, "x");
    std::error_code noLinks;
    fs::create_symlink(dir / "a.edf", dir / "link.edf", noLinks);
    if (!noLinks)
        fs::create_directory_symlink(dir / "sub", dir / "linked", noLinks);
    if (noLinks)
        GTEST_SKIP() << "no symbolic links here: " << noLinks.message();
    const std::string folder = dir.path().string();
    EXPECT_EQ(edfEntries(folder).names, (std::vector<std::string>{"a.edf", "link.edf"}));
    EXPECT_EQ(edfFilesBelow(folder).names,
              (std::vector<std::string>{"a.edf", "link.edf", "sub/b.edf"}));
}

TEST(FolderListing, JoinsWithASlashAlways)
{
    EXPECT_EQ(joinedPath("/data/rec", "a.edf"), "/data/rec/a.edf");
    EXPECT_EQ(joinedPath("/data/rec/", "a.edf"), "/data/rec//a.edf");
}

namespace {

std::string parsedAs(const std::vector<std::string> &arguments)
{
    const ParsedOptions p = parseOptions(arguments);
    if (!p.error.empty())
        return "error";
    std::string text;
    switch (p.options.command) {
    case Command::repairFile:
        text = "file";
        break;
    case Command::repairFolder:
        text = "folder";
        break;
    case Command::check:
        text = p.options.json ? "json" : "check";
        break;
    case Command::summarize:
        text = "summarize";
        break;
    case Command::help:
        return "help";
    case Command::version:
        return "version";
    }
    for (const std::string &path : p.options.paths)
        text += " " + path;
    return text;
}

} // namespace

TEST(Options, CommandsAndTheirPaths)
{
    EXPECT_EQ(parsedAs({"a.edf"}), "file a.edf");
    EXPECT_EQ(parsedAs({"a.edf", "b.edf"}), "file a.edf b.edf");
    EXPECT_EQ(parsedAs({"--folder", "in", "out"}), "folder in out");
    EXPECT_EQ(parsedAs({"in", "--folder", "out"}), "folder in out");
    EXPECT_EQ(parsedAs({"--check", "a", "b", "c"}), "check a b c");
    EXPECT_EQ(parsedAs({"--check", "--json", "a"}), "json a");
    EXPECT_EQ(parsedAs({"--thorough", "--json", "a"}), "file a");
    EXPECT_EQ(parsedAs({"--check", "--thorough", "a"}), "check a");
    EXPECT_EQ(parsedAs({"--recursive", "--folder", "in", "out"}), "folder in out");
    EXPECT_EQ(parsedAs({"--check", "--recursive", "--thorough", "a"}), "check a");
    EXPECT_EQ(parsedAs({"--shard", "2/3", "--recursive", "--folder", "in", "out"}),
              "folder in out");
    EXPECT_EQ(parsedAs({"--files-from", "-", "--from0", "--check", "in"}), "check in");
    EXPECT_EQ(parsedAs({"--skip-existing", "a.edf"}), "file a.edf");
    EXPECT_EQ(parsedAs({"--summarize", "--json", "1.jsonl", "-"}), "summarize 1.jsonl -");
    EXPECT_EQ(parsedAs({"--", "-a.edf"}), "file -a.edf");
    EXPECT_EQ(parsedAs({"-"}), "file -");
    EXPECT_EQ(parsedAs({"a", "--help", "--bogus"}), "help");
    EXPECT_EQ(parsedAs({"--version"}), "version");
}

TEST(Options, WrongUsage)
{
    for (const std::vector<std::string> &arguments : std::vector<std::vector<std::string>>{
             {},
             {"a", "b", "c"},
             {"--folder", "in"},
             {"--folder", "a", "b", "c"},
             {"--check"},
             {"--thorough", "a", "b", "c"},
             {"--recursive", "a"},
             {"--recursive", "--thorough", "a", "b"},
             {"--folder", "--check", "a", "b"},
             {"-x", "a"},
             {"--shard", "0/2", "--folder", "a", "b"},
             {"--shard", "1/2", "a.edf"},
             {"--folder", "a", "b", "--shard"},
             {"--files-from", "l", "--check", "a", "b"},
             {"--files-from", "l", "--recursive", "--check", "a"},
             {"--from0", "--folder", "a", "b"},
             {"--skip-existing", "--check", "a"},
             {"--shard", "1/2", "--deidentify", "--folder", "a", "b"},
             {"--summarize"},
             {"--summarize", "--check", "a"},
             {"--Check", "a"}})
        EXPECT_EQ(parsedAs(arguments), "error") << ::testing::PrintToString(arguments);
    EXPECT_EQ(parseOptions({"-\x1B[2J"}).error, "unknown option -\\x1B[2J");
}

TEST(Report, HeaderTextIsQuotedWithUnprintableBytesSpelledOut)
{
    EXPECT_EQ(shownText("-1  "), "-1  ");
    EXPECT_EQ(shownText(std::string("a\0b\\\xC8", 5)), "a\\x00b\\x5C\\xC8");
    const Finding f{
        Rule::signalCount, "number of signals", 0, "-1  ", "a whole number from 1 to 9999", false};
    EXPECT_EQ(findingText(f),
              "number of signals: \"-1  \", expected a whole number from 1 to 9999");
    const Finding g{Rule::samples, "number of samples in each data record", 2, "0       ", "x",
                    false};
    EXPECT_EQ(findingText(g),
              "number of samples in each data record of signal 2: \"0       \", expected x");
    // Neither a finding nor a change repeats the patient's identification.
    const std::string patient = "X F 02-FEB-1971 J\xE9r\xF4me_Made_Up";
    const Finding p{Rule::printable, "patient identification", 0,
                    patient,         "printable ASCII",        false};
    const FieldChange change{"patient identification", 0, patient, "X F 02-FEB-1971 Jerome"};
    FileCheck check;
    check.findings = {{p, true, false}};
    check.preview.changes = check.thorough.changes = {change};
    check.thorough.failure = {RepairStep::unsettled, p.field, patient, {}, {p}};
    for (const std::string &text : {findingText(p), changeText(change),
                                    describe(check.thorough.failure), jsonLine("a", check, true)}) {
        EXPECT_EQ(text.find("02-FEB-1971"), std::string::npos) << text;
        EXPECT_EQ(text.find("Jerome"), std::string::npos) << text;
    }
}

namespace {

// What a terminal shows of the text: a carriage return goes back to the start
// of the line, and what follows overwrites it.
std::string shownOnTerminal(const std::string &written)
{
    std::string line;
    std::size_t column = 0;
    for (char c : written) {
        if (c == '\r') {
            column = 0;
            continue;
        }
        if (column < line.size())
            line[column] = c;
        else
            line += c;
        ++column;
    }
    return line;
}

// Repairs a copy that has already been under way for a while, so that the line is due.
std::string drawnDuringALongCopy(bool onATerminal)
{
    ScratchDir dir;
    writeBytes(dir / "a.edf", buildEdf(recorderFile()));
    fs::resize_file(dir / "a.edf", std::uintmax_t(80) << 20);
    HeaderRepair repair;
    std::ostringstream err;
    ProgressLine line(err, repair, 3, onATerminal);
    line.startFile((dir / "a.edf").string());
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_TRUE(repair.repairHeader((dir / "a.edf").string(), (dir / "b.edf").string()));
    const std::string drawn = err.str();
    line.clear();
    EXPECT_EQ(shownOnTerminal(err.str()).find_first_not_of(' '), std::string::npos);
    return drawn;
}

} // namespace

TEST(ProgressLine, DrawsTheCopyOnATerminalOnlyAndLeavesNothing)
{
    EXPECT_NE(shownOnTerminal(drawnDuringALongCopy(true)).find("file 1 of 3: a.edf  100 %"),
              std::string::npos);
    EXPECT_EQ(drawnDuringALongCopy(false), "");
}

TEST(Report, FileNamesKeepTheirLettersButNothingThatDrivesATerminal)
{
    const std::pair<std::string, std::string> rows[] = {
        {"M\xC3\xBCller_\xE6\x97\xA5\xE6\x9C\xAC.edf",
         "M\xC3\xBCller_\xE6\x97\xA5\xE6\x9C\xAC.edf"},
        {"C:\\rec\\a.edf", "C:\\rec\\a.edf"},
        {"a\rrepaired: b.edf", "a\\x0Drepaired: b.edf"},
        {"a\nb.edf", "a\\x0Ab.edf"},
        {"\x1B[8mhidden\x1B]0;title\x07.edf", "\\x1B[8mhidden\\x1B]0;title\\x07.edf"},
        {"\xC2\x9B"
         "2J.edf",
         "\\xC2\\x9B2J.edf"}, // C1 control sequence introducer
        {"\xE2\x80\xAE"
         "fde.exe",
         "\\xE2\\x80\\xAEfde.exe"}, // right-to-left override
        {"\xE2\x81\xA6x\xE2\x80\xA8", "\\xE2\\x81\\xA6x\\xE2\\x80\\xA8"}, // isolate, line separator
        {"Latin-1 \xFC.edf", "Latin-1 \\xFC.edf"},
        {"\xED\xA0\x80|\xE6\xB8", "\\xED\\xA0\\x80|\\xE6\\xB8"},
    };
    for (const auto &[name, shown] : rows) {
        EXPECT_EQ(shownName(name), shown) << ::testing::PrintToString(name);
        EXPECT_EQ(checkReport(name, FileCheck{}).rfind("not repairable: " + shown + "\n", 0), 0u);
    }
}

TEST(Report, Summaries)
{
    EXPECT_EQ(repairSummary(2, 3), "2 of 3 files repaired");
    EXPECT_EQ(repairSummary(1, 1), "1 of 1 file repaired");
    EXPECT_EQ(checkSummary(1, 1, 3), "3 files checked: 1 sound, 1 needs repair, 1 not repairable");
}

TEST(JsonLine, StringsStayValidJson)
{
    EXPECT_EQ(jsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(jsonString(std::string("\x01\n\x7F", 3)), "\"\\u0001\\u000a\\u007f\"");
    EXPECT_EQ(jsonString("M\xC3\xBCller"), "\"M\xC3\xBCller\"");
    EXPECT_EQ(jsonString("\xE2\x80\xAE"
                         "fde.exe\xC2\x85"),
              "\"\\u202efde.exe\\u0085\"");
    // Bytes that are not well-formed UTF-8 are spelled out, and so is a
    // backslash that would read as such a spelling.
    EXPECT_EQ(jsonString("EEG \xC8"), "\"EEG \\\\xC8\"");
    EXPECT_EQ(jsonString("\xC0\xAF|\xED\xA0\x80|\xE6\xB8|\\x41\\y"),
              "\"\\\\xC0\\\\xAF|\\\\xED\\\\xA0\\\\x80|\\\\xE6\\\\xB8|\\\\x5Cx41\\\\y\"");
}

TEST(JsonLine, OneObjectWithTheAgreedKeys)
{
    const std::string bytes = buildEdf(recorderFile());
    const std::string line = jsonLine("a.edf", checkHeaderBytes(bytes, bytes.size()));
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(line.rfind(
                  "{\"file\": \"a.edf\", \"format\": \"EDF\", \"findings\": [{\"field\": "
                  "\"version\", \"signal\": null, "
                  "\"found\": \"20160817\", \"expected\": \"\\\"0       \\\"\", \"repaired\": true",
                  0),
              0u)
        << line;
    EXPECT_NE(line.find("\"repair_error\": null, \"sound\": false, \"sound_after_repair\": true, "
                        "\"annotation_faults\": [], \"gaps\": null, \"longest_gap_s\": null, "
                        "\"identifying\": [\"patient identification\", \"recording "
                        "identification\"]}"),
              std::string::npos)
        << line;
    FileCheck unreadable;
    unreadable.readError = "it is a folder";
    EXPECT_EQ(jsonLine("sub.edf", unreadable),
              "{\"file\": \"sub.edf\", \"format\": null, \"findings\": [{\"field\": \"file\", "
              "\"signal\": null, "
              "\"found\": \"it is a folder\", \"expected\": \"a readable EDF file\", \"repaired\": "
              "false, \"warning\": false, \"caused_by_repair\": false}], \"changes\": [], "
              "\"repair_error\": null, \"sound\": false, \"sound_after_repair\": false, "
              "\"annotation_faults\": [], \"gaps\": null, \"longest_gap_s\": null, "
              "\"identifying\": []}");
}

TEST(JsonValue, ReadsWhatTheLinesHoldAndNothingElse)
{
    const auto value = parseJson(R"( {"a": [-1.5e3, true, null, "\u00e9\ud83d\ude00\n\\"]} )");
    ASSERT_TRUE(value);
    const JsonValue *a = value->member("a");
    ASSERT_TRUE(a && a->items.size() == 4);
    EXPECT_EQ(a->items[0].text, "-1.5e3");
    EXPECT_TRUE(a->items[1].boolean);
    EXPECT_EQ(a->items[2].type, JsonValue::Type::null);
    EXPECT_EQ(a->items[3].text, "\xC3\xA9\xF0\x9F\x98\x80\n\\");
    for (const char *bad :
         {"", "{\"a\": 1,}", "[1] x", "\"\\ud800\"", "\"cut", "{\"a\" 1}", "tru", "-",
          "[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[["})
        EXPECT_FALSE(parseJson(bad)) << bad;
}

namespace {

FileCheck checkOf(const EdfFileSpec &file)
{
    const std::string bytes = buildEdf(file);
    return checkHeaderBytes(bytes, bytes.size());
}

// Every kind of outcome: the shared tables' files, a file not read, and one
// whose records' time-keeping is at fault, with gaps.
std::vector<FileCheck> variedChecks()
{
    std::vector<std::string> files;
    for (const FailingHeader &f : failingHeaders())
        files.push_back(f.bytes);
    for (const RepairableFile &f : repairableFiles())
        files.push_back(f.bytes);
    for (const ThoroughCase &c : thoroughCases())
        files.push_back(c.bytes);
    std::vector<FileCheck> checks;
    for (const std::string &bytes : files)
        checks.push_back(checkHeaderBytes(bytes, bytes.size()));
    checks.emplace_back().readError = "it is a folder";
    FileCheck shifted = checkOf(soundFile());
    shifted.sound = false;
    shifted.annotationFaults = {{Rule::timekeeping, "data record 3", 0, "+7", "+2", false}};
    shifted.timekeepingRead = shifted.timekeepingRepaired = true;
    shifted.gaps = 2;
    checks.push_back(shifted);
    return checks;
}

// A kind's count in the summary's JSON, -1 where the kind is not there.
long long kindCount(const CorpusSummary &summary, const std::string &field, const char *count)
{
    const std::optional<JsonValue> json = parseJson(summary.json());
    for (const JsonValue &kind : json->member("kinds")->items)
        if (kind.member("field")->text == field)
            return std::stoll(kind.member(count)->text);
    return -1;
}

} // namespace

TEST(CorpusSummary, CountsFilesByFaultAndTheRepairThatSettlesIt)
{
    EdfFileSpec badDate = soundFile();
    badDate.version = "20160817";
    badDate.startDate = "32.08.16";
    CorpusSummary summary;
    for (const EdfFileSpec &file : {recorderFile(), recorderFile(), badDate})
        summary.add(checkOf(file), false);
    EXPECT_EQ(summary.countLine(), checkSummary(0, 2, 3));
    EXPECT_EQ(kindCount(summary, "version", "files"), 3);
    EXPECT_EQ(kindCount(summary, "version", "settled_by_repair"), 3);
    EXPECT_EQ(kindCount(summary, "start date", "files"), 1);
    EXPECT_EQ(kindCount(summary, "start date", "not_settled"), 1);
    EXPECT_FALSE(summary.allSoundOrRepairable());
}

// --summarize over a check's --json lines says what the check itself said.
TEST(CorpusSummary, TheSameFromChecksAsFromTheirJsonLines)
{
    for (bool thorough : {false, true}) {
        CorpusSummary direct, read;
        for (const FileCheck &check : variedChecks()) {
            direct.add(check, thorough);
            const std::optional<JsonValue> line = parseJson(jsonLine("x.edf", check, thorough));
            std::string reason;
            ASSERT_TRUE(line && read.add(*line, reason)) << reason;
        }
        EXPECT_EQ(read.kindsText(), direct.kindsText());
        EXPECT_EQ(read.countLine(), direct.countLine());
        EXPECT_EQ(read.json(), direct.json());
        EXPECT_EQ(kindCount(direct, "time-keeping of the data records", "settled_by_repair"), 1);
    }
    const std::string repairLine = R"({"file": "a", "destination": "b", "repaired": true,
        "findings": [], "annotation_faults": [], "sound": true, "sound_after_repair": true})";
    std::string reason;
    EXPECT_FALSE(CorpusSummary().add(*parseJson(repairLine), reason));
}
