// The built velmorant-cli, run as a user would run it.
#include "cli/json_value.h"
#include "edf/format/field_slots.h"
#include "repair/engine/header_repair.h"
#include "tests/support/edf_test_files.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"
#include "velmorant_version.h"

#include <filesystem>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <functional>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <map>
#include <set>

namespace fs = std::filesystem;
using namespace velmorant;

namespace {

ProgramRun cli(const std::vector<std::string> &arguments)
{
    return runProgram(VELMORANT_CLI, arguments);
}

// A Windows path's backslashes, as JSON writes them.
std::string jsonEscaped(std::string text)
{
    for (std::size_t at = 0; (at = text.find('\\', at)) != std::string::npos; at += 2)
        text.insert(at, 1, '\\');
    return text;
}

std::string withSlot(std::string bytes, const FieldSlot &slot, const std::string &text)
{
    bytes.replace(slot.offset, slot.width, padded(text, slot.width));
    return bytes;
}

std::string damaged()
{
    return withSlot(buildEdf(recorderFile()), fixedSlot(FixedField::signalCount), "-1");
}

// Every file under a folder, by its path below it, with its bytes.
std::map<std::string, std::string> snapshot(const fs::path &root)
{
    std::map<std::string, std::string> files;
    for (fs::recursive_directory_iterator it(root), end; it != end; ++it)
        files[it->path().lexically_relative(root).generic_string()]
            = fs::is_regular_file(it->path()) ? readBytes(it->path()) : "<dir>";
    return files;
}

// The lines of a run's output about one file each, sorted, one folder's
// name put for another's.
std::vector<std::string> fileLines(const std::string &output, const std::string &folder,
                                   const std::string &as)
{
    std::vector<std::string> lines;
    std::istringstream text(output);
    for (std::string line; std::getline(text, line);) {
        for (std::size_t at = 0; (at = line.find(folder, at)) != std::string::npos; at += as.size())
            line.replace(at, folder.size(), as);
        if (line.rfind("repaired: ", 0) == 0 || line.rfind("not repaired: ", 0) == 0)
            lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// What the window's repair makes of the same source.
std::string libraryRepair(const fs::path &source)
{
    ScratchDir elsewhere;
    HeaderRepair repair;
    EXPECT_TRUE(repair.repairHeader(source.string(), (elsewhere / "x.edf").string()));
    return readBytes(elsewhere / "x.edf");
}

class CliTest : public ::testing::Test
{
protected:
    std::string path(const std::string &name) const { return (dir / name).string(); }

    // A folder with a repairable, an already sound, a damaged and a non-EDF
    // file, a sub-folder named like a recording, and things not listed.
    void fillMixedFolder()
    {
        fs::create_directory(dir / "in");
        fs::create_directory(dir / "out");
        writeBytes(dir / "in/a.edf", buildEdf(recorderFile()));
        writeBytes(dir / "in/B.EDF", buildEdf(soundFile()));
        writeBytes(dir / "in/c.edf", damaged());
        writeBytes(dir / "in/d.edf", "just some text, not a recording\n");
        writeBytes(dir / "in/notes.txt", "not listed");
        writeBytes(dir / "in/.hidden.edf", buildEdf(recorderFile()));
        fs::create_directory(dir / "in/sub.edf");
    }

    // Recordings of other bytes each in in/ and its sub-folders, one the
    // repair refuses; whole/ and out/ to repair them into. Their paths below in/.
    std::vector<std::string> fillTree()
    {
        std::vector<std::string> names;
        for (int i = 0; i < 24; ++i) {
            EdfFileSpec file = soundFile();
            file.version = "20160817";
            file.startTime = "10.00." + std::to_string(10 + i);
            const char *folder = i % 3 == 0 ? "" : i % 3 == 1 ? "night1/" : "night2/deeper/";
            names.push_back(folder + std::to_string(i) + ".edf");
            fs::create_directories((dir / "in" / names.back()).parent_path());
            writeBytes(dir / "in" / names.back(), buildEdf(file));
        }
        names.push_back("night1/bad.edf");
        writeBytes(dir / "in" / names.back(), damaged());
        for (const char *folder : {"whole", "out"})
            fs::create_directory(dir / folder);
        return names;
    }

    ScratchDir dir;
};

} // namespace

TEST_F(CliTest, RepairsOneFileToTheDerivedDestination)
{
    writeBytes(dir / "rec.edf", buildEdf(recorderFile()));
    const ProgramRun run = cli({path("rec.edf")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out,
              "repaired: " + path("rec.edf") + " -> " + path("recFixed.edf")
                  + "\n1 of 1 file repaired\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(readBytes(dir / "recFixed.edf"), libraryRepair(dir / "rec.edf"));
    EXPECT_EQ(readBytes(dir / "rec.edf"), buildEdf(recorderFile()));
}

// A copy long enough to be drawn shows its progress on a terminal (one that
// `script` makes here), and nothing of it where stderr is a pipe.
TEST_F(CliTest, DrawsProgressOnATerminalOnly)
{
#ifdef _WIN32
    GTEST_SKIP() << "no terminal to draw on under Windows here";
#endif
    if (!fs::exists("/usr/bin/script") || !fs::is_directory("/dev/shm"))
        GTEST_SKIP() << "needs script(1) and a memory file system at /dev/shm";
    ScratchDir shm;
    const fs::path memory = fs::path("/dev/shm") / shm.path().filename();
    fs::create_directory(memory);
    const fs::path source = memory / "big.edf";
    writeBytes(source, buildEdf(recorderFile()));
    // Long enough to copy that the line is drawn at all, even in memory.
    fs::resize_file(source, std::uintmax_t(2) << 30);
    const std::string repair
        = std::string(VELMORANT_CLI) + " " + source.string() + " " + (memory / "a.edf").string();
    const ProgramRun onTerminal = runProgram("/usr/bin/script", {"-qfec", repair, "/dev/null"});
    fs::remove(memory / "a.edf");
    const ProgramRun inPipe = cli({source.string(), (memory / "b.edf").string()});
    fs::remove_all(memory);
    EXPECT_NE(onTerminal.out.find("file 1 of 1: big.edf"), std::string::npos) << onTerminal.out;
    EXPECT_EQ(inPipe.err.find("file 1 of 1"), std::string::npos);
}

TEST_F(CliTest, RepairsOneFileToTheNamedDestination)
{
    writeBytes(dir / "rec.edf", buildEdf(recorderFile()));
    const ProgramRun run = cli({path("rec.edf"), path("out.edf")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readBytes(dir / "out.edf"), libraryRepair(dir / "rec.edf"));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"out.edf", "rec.edf"}));
}

TEST_F(CliTest, AFailureNamesTheFieldAndTheTextFound)
{
    writeBytes(dir / "bad.edf", damaged());
    const ProgramRun run = cli({path("bad.edf")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "0 of 1 file repaired\n");
    EXPECT_EQ(run.err,
              "not repaired: " + path("bad.edf") + " -> " + path("badFixed.edf")
                  + ": number of signals field holds \"-1  \", not a number from 0 to 9999\n");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"bad.edf"});
}

TEST_F(CliTest, WarnsWhenTheRepairedFileStillDisagreesWithItsSize)
{
    EdfFileSpec uneven = recorderFile();
    uneven.dataRecords = "1000"; // 1000 / 512 gives 1 record; 2 are stored
    uneven.storedRecords = 2;
    writeBytes(dir / "rec.edf", buildEdf(uneven));
    const ProgramRun run = cli({path("rec.edf")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out,
              "repaired: " + path("rec.edf") + " -> " + path("recFixed.edf")
                  + "\n1 of 1 file repaired\n");
    EXPECT_EQ(run.err.rfind(
                  "warning: " + path("recFixed.edf")
                      + ": file size: \"4864 bytes\", expected "
                        "2816 bytes: a header of 768 bytes and 1 data record of 2048 bytes; the "
                        "file is 2048 bytes (1 data record) longer\n",
                  0),
              0u)
        << run.err;
}

TEST_F(CliTest, RepairsAFolderInTheWindowsOrderOneLineEach)
{
    fillMixedFolder();
    const std::string in = path("in"), out = path("out");
    const ProgramRun run = cli({"--folder", in, out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out,
              "repaired: " + in + "/a.edf -> " + out
                  + "/a.edf\n"
                    "repaired: "
                  + in + "/B.EDF -> " + out
                  + "/B.EDF\n"
                    "2 of 5 files repaired\n");
    EXPECT_EQ(run.err,
              "not repaired: " + in + "/c.edf -> " + out
                  + "/c.edf: number of signals field holds "
                    "\"-1  \", not a number from 0 to 9999\n"
                    "not repaired: "
                  + in + "/d.edf -> " + out
                  + "/d.edf: the file is shorter than the "
                    "256-byte EDF header: it has 32 bytes\n"
                    "not repaired: "
                  + in + "/sub.edf -> " + out
                  + "/sub.edf: the source is not a regular "
                    "file: it is a folder\n");
    EXPECT_EQ(fs::path(out).empty(), false);
    std::vector<std::string> written;
    for (const auto &entry : fs::directory_iterator(out))
        written.push_back(entry.path().filename().string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"B.EDF", "a.edf"}));
    EXPECT_EQ(readBytes(dir / "out/a.edf"), libraryRepair(dir / "in/a.edf"));
    EXPECT_EQ(readBytes(dir / "out/B.EDF"), libraryRepair(dir / "in/B.EDF"));
}

// Names as a received data set may hold them: each file still gets one
// line, and nothing of a name reaches the terminal as a control.
TEST_F(CliTest, NamesThatDriveATerminalStayOnTheirLine)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows takes no control characters in names";
#endif
    fs::create_directory(dir / "in");
    fs::create_directory(dir / "out");
    for (const char *name :
         {"a\rrepaired: forged.edf", "b\x1B[8m\x1B]0;title\x07.edf", "c\nrepaired: x.edf",
          "\xE2\x80\xAE"
          "fde.edf"})
        writeBytes(dir / "in" / name, buildEdf(recorderFile()));
    writeBytes(dir / "in/d\x1B[2J.edf", damaged());
    for (const std::vector<std::string> &arguments :
         {std::vector<std::string>{"--folder", path("in"), path("out")}, {"--check", path("in")}}) {
        const ProgramRun run = cli(arguments);
        EXPECT_EQ(run.exitCode, 1);
        for (const std::string &text : {run.out, run.err}) {
            EXPECT_EQ(text.find_first_of("\r\x1B\x07"), std::string::npos) << text;
            EXPECT_EQ(text.find("\xE2\x80\xAE"), std::string::npos) << text;
        }
        if (arguments[0] == "--folder") {
            EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 5) << run.out;
            EXPECT_EQ(run.err.rfind("not repaired: " + path("in") + "/d\\x1B[2J.edf -> ", 0), 0u);
        }
    }
}

TEST_F(CliTest, FolderRunWithNothingToDo)
{
    fs::create_directory(dir / "empty");
    writeBytes(dir / "file.edf", buildEdf(soundFile()));
    const ProgramRun empty = cli({"--folder", path("empty"), path("empty")});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.out, "");
    EXPECT_EQ(empty.err, "No file to convert.\n");
    const ProgramRun notFolder = cli({"--folder", path("file.edf"), path("empty")});
    EXPECT_EQ(notFolder.exitCode, 1);
    EXPECT_EQ(notFolder.err, "velmorant-cli: " + path("file.edf") + " is not a folder\n");
    const ProgramRun noDestination = cli({"--folder", path("empty"), path("absent")});
    EXPECT_EQ(noDestination.exitCode, 1);
    EXPECT_EQ(noDestination.err, "velmorant-cli: " + path("absent") + " is not a folder\n");
}

TEST_F(CliTest, CheckReadsOnlyAndSaysWhatTheRepairWouldDo)
{
    fillMixedFolder();
    const auto before = snapshot(dir.path());
    const std::string in = path("in");
    const ProgramRun run = cli({"--check", in});
    EXPECT_EQ(snapshot(dir.path()), before);
    EXPECT_EQ(run.exitCode, 1);
    const std::string a = "needs repair: " + in
        + "/a.edf\n"
          "  fault, repaired: version: \"20160817\", expected \"0       \"\n"
          "  fault, repaired: file size: \"3687168 bytes\", expected 1887437568 bytes: a header of "
          "768 bytes and 921600 data records of 2048 bytes; the file is 1883750400 bytes (919800 "
          "data records) shorter\n"
          "  identifying: patient identification, recording identification\n"
          "  change: version \"20160817\" -> \"0       \"\n"
          "  change: number of data records \"921600  \" -> \"1800    \"\n"
          "  change: duration of a data record \"0.001953\" -> \"1       \"\n"
          "  change: prefiltering of signal 1 \"HP:0.1Hz LP:70Hz\" -> blank\n"
          "  change: prefiltering of signal 2 \"HP:0.1Hz LP:70Hz\" -> blank\n"
          "  change: reserved of signal 1 \"unused\" -> blank\n"
          "  change: reserved of signal 2 \"unused\" -> blank\n";
    EXPECT_EQ(run.out.substr(0, a.size()), a);
    EXPECT_NE(run.out.find("sound: " + in + "/B.EDF\n"), std::string::npos) << run.out;
    EXPECT_NE(
        run.out.find("not repairable: " + in
                     + "/c.edf\n"
                       "  fault, not repaired: version: \"20160817\", expected \"0       \"\n"
                       "  fault, not repaired: number of signals: \"-1  \", expected a whole "
                       "number from 1 to 9999\n"
                       "  identifying: patient identification, recording identification\n"
                       "  the repair fails: number of signals field holds \"-1  \", not a number "
                       "from 0 to 9999\n"),
        std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("not repairable: " + in + "/d.edf\n"), std::string::npos);
    EXPECT_EQ(run.err, "not readable: " + in + "/sub.edf: it is a folder\n");
    EXPECT_EQ(run.out.substr(run.out.rfind('\n', run.out.size() - 2) + 1),
              "5 files checked: 1 sound, 1 needs repair, 3 not repairable\n");
}

TEST_F(CliTest, CheckPassesWhenEveryFileIsSoundOrRepairable)
{
    writeBytes(dir / "a.edf", buildEdf(recorderFile()));
    writeBytes(dir / "b.edf", buildEdf(soundFile()));
    const auto before = snapshot(dir.path());
    const ProgramRun run = cli({"--check", path("a.edf"), path("b.edf")});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(snapshot(dir.path()), before);
    const ProgramRun repaired = cli({path("a.edf")});
    ASSERT_EQ(repaired.exitCode, 0);
    const ProgramRun after = cli({"--check", path("aFixed.edf")});
    EXPECT_EQ(after.out,
              "sound: " + path("aFixed.edf")
                  + "\n  identifying: patient identification, recording identification"
                    "\n1 file checked: 1 sound, 0 needs repair, "
                    "0 not repairable\n");
}

TEST_F(CliTest, CheckAsJsonGivesOneLinePerFile)
{
    fillMixedFolder();
    const auto before = snapshot(dir.path());
    const ProgramRun run = cli({"--check", "--json", path("in")});
    EXPECT_EQ(snapshot(dir.path()), before);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "");
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = run.out.find('\n', start)) != std::string::npos;
         start = end + 1)
        lines.push_back(run.out.substr(start, end - start));
    ASSERT_EQ(lines.size(), 5u) << run.out;
    const char *names[] = {"a.edf", "B.EDF", "c.edf", "d.edf", "sub.edf"};
    const char *sound[] = {"true", "true", "false", "false", "false"};
    const char *format[] = {"\"EDF\"", "\"EDF\"", "\"EDF\"", "null", "null"};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].rfind("{\"file\": \"" + jsonEscaped(path("in")) + "/" + names[i]
                                     + "\", \"format\": " + format[i] + ", \"findings\": [",
                                 0),
                  0u)
            << lines[i];
        EXPECT_NE(lines[i].find(std::string("\"sound_after_repair\": ") + sound[i] + ", "),
                  std::string::npos)
            << lines[i];
    }
}

TEST_F(CliTest, WrongUsageGivesTheUsageAndStatusTwo)
{
    const std::vector<std::vector<std::string>> wrong{{},
                                                      {"--folder", "only-one"},
                                                      {"--Thorough", "a.edf"},
                                                      {"--recursive", "a.edf"},
                                                      {"--bogus", "a.edf"},
                                                      {"a", "b", "c"}};
    for (const auto &arguments : wrong) {
        const ProgramRun run = cli(arguments);
        EXPECT_EQ(run.exitCode, 2) << ::testing::PrintToString(arguments);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("velmorant-cli: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find("Usage: velmorant-cli SOURCE [DESTINATION]\n"), std::string::npos);
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{});
}

TEST_F(CliTest, HelpAndVersion)
{
    const ProgramRun help = cli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: velmorant-cli", 0), 0u);
    EXPECT_EQ(help.err, "");
    const ProgramRun version = cli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string("velmorant-cli ") + velmorant::version + "\n");
}

TEST_F(CliTest, TheBundledSampleNeedsRepairAndBecomesSound)
{
    fs::copy_file(VELMORANT_SAMPLE, dir / "sample.edf");
    const ProgramRun before = cli({"--check", path("sample.edf")});
    EXPECT_EQ(before.exitCode, 0);
    EXPECT_EQ(before.out.rfind("needs repair: ", 0), 0u) << before.out;
    ASSERT_EQ(cli({path("sample.edf")}).exitCode, 0);
    const ProgramRun after = cli({"--check", path("sampleFixed.edf")});
    EXPECT_EQ(after.exitCode, 0);
    EXPECT_EQ(after.out.rfind("sound: ", 0), 0u) << after.out;
}

TEST_F(CliTest, ThoroughRepairSaysWhatItChangedAndWritesOnlySoundFiles)
{
    EdfFileSpec unknownCount = soundFile();
    unknownCount.dataRecords = "-1";
    const std::string bytes = buildEdf(unknownCount) + "extra";
    writeBytes(dir / "rec.edf", bytes);
    const ProgramRun run = cli({"--thorough", path("rec.edf")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("  change: number of data records \"-1      \" -> \"6       \"\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("  left out: 5 bytes after the last whole data record\n"),
              std::string::npos);
    EXPECT_EQ(readBytes(dir / "recFixed.edf").size(), bytes.size() - 5);
    EXPECT_EQ(cli({"--check", path("recFixed.edf")}).exitCode, 0);
    const ProgramRun json = cli({"--thorough", "--json", path("rec.edf"), path("b.edf")});
    EXPECT_NE(json.out.find("\"repaired\": true"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"bytes_left_out\": 5"), std::string::npos) << json.out;

    unknownCount.startDate = "32.08.16";
    writeBytes(dir / "bad.edf", buildEdf(unknownCount));
    const ProgramRun refused = cli({"--thorough", path("bad.edf")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("start date \"32.08.16\""), std::string::npos) << refused.err;
    EXPECT_FALSE(fs::exists(dir / "badFixed.edf"));
}

TEST_F(CliTest, CheckThoroughSaysWhichRepairFixesEachFault)
{
    EdfFileSpec fileSpec = soundFile();
    fileSpec.dataRecords = "-1";
    writeBytes(dir / "a.edf", buildEdf(soundFile()).substr(0, 700));
    writeBytes(dir / "b.edf", buildEdf(fileSpec));
    const ProgramRun fixable = cli({"--check", "--thorough", path("b.edf")});
    EXPECT_EQ(fixable.exitCode, 0);
    EXPECT_NE(fixable.out.find("needs --thorough: " + path("b.edf")
                               + "\n"
                                 "  fault, repaired by --thorough: number of data records:"),
              std::string::npos)
        << fixable.out;
    fileSpec.startDate = "32.08.16";
    writeBytes(dir / "c.edf", buildEdf(fileSpec));
    const ProgramRun run = cli({"--check", "--thorough", path("c.edf")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("  fault, not repaired (the file does not show which date was meant): "
                           "start date:"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("  the thorough repair fails: "), std::string::npos) << run.out;
    const ProgramRun json = cli({"--check", "--thorough", "--json", path("a.edf")});
    EXPECT_NE(json.out.find("\"repaired_thorough\": false, \"why_not_repaired\": \""),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"sound_after_thorough_repair\": false}"), std::string::npos);
}

TEST_F(CliTest, DataConvertedAsTextIsNamedAndRestoredByTheThoroughRepair)
{
    const std::string original = buildEdf(soundFile());
    std::string converted = original.substr(0, 768);
    for (std::size_t i = 768; i < original.size(); ++i)
        converted += original[i] == '\n' ? "\r\n" : std::string(1, original[i]);
    const std::string inserted = std::to_string(converted.size() - original.size());
    writeBytes(dir / "t.edf", converted);
    const std::string fault = "the data was converted as text in transfer: " + inserted
        + " carriage returns inserted before line feeds\n";
    const ProgramRun check = cli({"--check", "--thorough", path("t.edf")});
    EXPECT_EQ(check.exitCode, 0);
    EXPECT_NE(check.out.find("  fault, repaired by --thorough: " + fault), std::string::npos)
        << check.out;
    const ProgramRun json = cli({"--thorough", "--json", path("t.edf")});
    EXPECT_NE(json.out.find("\"carriage_returns_removed\": " + inserted + ","), std::string::npos)
        << json.out;
    EXPECT_EQ(readBytes(dir / "tFixed.edf").substr(768), original.substr(768));
}

TEST_F(CliTest, RecursiveRepairMirrorsTheSourceTree)
{
    for (const char *folder : {"in/sub/deeper", "in/.hidden", "in/bad", "out"})
        fs::create_directories(dir / folder);
    for (const char *file : {"in/a.edf", "in/sub/b.edf", "in/sub/deeper/c.EDF", "in/.hidden/d.edf"})
        writeBytes(dir / file, buildEdf(recorderFile()));
    writeBytes(dir / "in/bad/x.edf", damaged());
    const std::string in = path("in"), out = path("out");
    const ProgramRun run = cli({"--recursive", "--folder", in, out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out,
              "repaired: " + in + "/a.edf -> " + out + "/a.edf\nrepaired: " + in + "/sub/b.edf -> "
                  + out + "/sub/b.edf\nrepaired: " + in + "/sub/deeper/c.EDF -> " + out
                  + "/sub/deeper/c.EDF\n3 of 4 files repaired\n");
    EXPECT_EQ(readBytes(dir / "out/sub/deeper/c.EDF"), libraryRepair(dir / "in/sub/deeper/c.EDF"));
    EXPECT_FALSE(fs::exists(dir / "out/bad")); // made for the failed repair, and taken away
    const ProgramRun check = cli({"--check", "--recursive", in});
    EXPECT_NE(check.out.find("4 files checked"), std::string::npos) << check.out;
}

// A link in the destination tree, to a folder of the user's: nothing is
// written through it, and each file beneath it fails with the reason.
TEST_F(CliTest, RecursiveRepairWritesNothingThroughALink)
{
    for (const char *folder : {"in/sub", "in/sub2/deep", "out", "elsewhere", "elsewhere2"})
        fs::create_directories(dir / folder);
    for (const char *file : {"in/a.edf", "in/sub/b.edf", "in/sub2/deep/c.edf"})
        writeBytes(dir / file, buildEdf(recorderFile()));
    std::error_code noLinks; // Wine makes none
    fs::create_directory_symlink(dir / "elsewhere", dir / "out/sub", noLinks);
    fs::create_directory_symlink(dir / "elsewhere2", dir / "out/sub2", noLinks);
    if (noLinks)
        GTEST_SKIP() << "no links here: " << noLinks.message();
    const ProgramRun run = cli({"--recursive", "--folder", path("in"), path("out")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out.substr(run.out.find('\n') + 1), "1 of 3 files repaired\n");
    const std::string reason
        = ": the copy could not be made: a folder on the way to the "
          "destination is a link or no folder; nothing is written through it\n";
    EXPECT_EQ(run.err,
              "not repaired: " + path("in") + "/sub/b.edf -> " + path("out") + "/sub/b.edf" + reason
                  + "not repaired: " + path("in") + "/sub2/deep/c.edf -> " + path("out")
                  + "/sub2/deep/c.edf" + reason);
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere2"));
}

#ifndef _WIN32
// A recording, or a folder, below more folders than one system call's path
// takes is a failure line with the reason, never left out in silence.
TEST_F(CliTest, EntriesBeyondThePathLimitAreFailures)
{
    for (const char *folder : {"in", "out"})
        fs::create_directory(dir / folder);
    writeBytes(dir / "in/top.edf", buildEdf(recorderFile()));
    const std::string level(250, 'f'), deepName = std::string(246, 'r') + ".edf";
    std::vector<int> levels{::open(path("in").c_str(), O_RDONLY | O_DIRECTORY)};
    while (fs::path(path("in")).native().size() + (levels.size() - 1) * 251 < PATH_MAX) {
        ASSERT_EQ(::mkdirat(levels.back(), level.c_str(), 0700), 0) << strerror(errno);
        levels.push_back(::openat(levels.back(), level.c_str(), O_RDONLY | O_DIRECTORY));
    }
    const std::string edf = buildEdf(recorderFile());
    const int file
        = ::openat(levels[levels.size() - 2], deepName.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_EQ(::write(file, edf.data(), edf.size()), static_cast<ssize_t>(edf.size()));
    ::close(file);
    const ProgramRun run = cli({"--recursive", "--folder", path("in"), path("out")});
    // Brought within reach again, so that the scratch folder can be removed.
    ::renameat(levels[8], level.c_str(), levels[0], "cut");
    for (int fd : levels)
        ::close(fd);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out.substr(run.out.find('\n') + 1), "1 of 2 files repaired\n");
    EXPECT_EQ(run.err.rfind("not listed: " + path("in") + "/" + level, 0), 0u) << run.err;
    EXPECT_NE(run.err.find(": File name too long\nnot repaired: "), std::string::npos);
    EXPECT_NE(run.err.find(deepName + ": "), std::string::npos) << run.err;
}
#endif

namespace {

// An EDF+ recording of a made-up patient whose name is in annotation texts too.
std::string identifiedEdfPlus(const std::string &startDate)
{
    EdfFileSpec identified = soundFile();
    identified.headerReserved = "EDF+C";
    identified.labels = {"EEG Fpz-Cz", "EDF Annotations"};
    identified.patient = "QZ-77410 F 09-MAR-1962 Wilhelmina_Oosterhuis";
    identified.recording = "Startdate " + std::string("14-FEB-2019") + " ADM-1 Tech_Name Amp_3000";
    identified.startDate = startDate;
    std::string edf = buildEdf(identified);
    const std::size_t annotations
        = headerSize(2) + 1024 + 5; // after record 0's "+0" 0x14 0x14 0x00
    const char first[] = "+0.5\x14OOSTERHUIS\x14wilhelmina\x14"; // its 0x00 ends the TAL
    const std::string tals
        = std::string(first, sizeof first) + "+0.7\x14\xC3\x96osterh\xC3\xBCis born 1962-03-09\x14";
    edf.replace(annotations, tals.size(), tals);
    return edf;
}

} // namespace

TEST_F(CliTest, DeidentifiesCopiesAndKeepsTheKeyPrivate)
{
    fs::create_directory(dir / "in");
    fs::create_directory(dir / "out");
    writeBytes(dir / "in/night1.edf", identifiedEdfPlus("14.02.19"));
    writeBytes(dir / "in/night2.edf", identifiedEdfPlus("16.02.19"));
    // An export that gave no start date: it moves no other file's date.
    writeBytes(dir / "in/night0.edf", identifiedEdfPlus("01.01.85"));
    const ProgramRun run
        = cli({"--deidentify", "--key", path("key.csv"), "--folder", path("in"), path("out")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char *identifying : {"oosterhuis", "wilhelmina", "qz-77410", "1962", "adm-1",
                                    "tech_name", "amp_3000", "09-mar", "12462", "12,462"}) {
        EXPECT_EQ(run.out.find(identifying), std::string::npos);
        EXPECT_EQ(run.err.find(identifying), std::string::npos);
    }
    for (const char *name : {"night1.edf", "night2.edf"}) {
        const std::string source = readBytes(dir / "in" / name);
        const std::string copy = readBytes(dir / "out" / name);
        ASSERT_EQ(copy.size(), source.size());
        std::string lower = copy;
        for (char &c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (const char *identifying : {"oosterhuis", "wilhelmina", "qz-77410", "1962"})
            EXPECT_EQ(lower.find(identifying), std::string::npos) << name << " " << identifying;
        // In the data records only annotation text bytes differ, each now 'X'.
        std::size_t otherwise = 0;
        for (std::size_t i = headerSize(2); i < copy.size(); ++i)
            otherwise += copy[i] != source[i] && copy[i] != 'X' ? 1 : 0;
        EXPECT_EQ(otherwise, 0u) << name;
        EXPECT_NE(copy.substr(headerSize(2)), source.substr(headerSize(2))) << name;
    }
    // Two days apart before, two days apart after: the earliest on 01.01.85.
    EXPECT_EQ(readBytes(dir / "out/night1.edf").substr(168, 8), "01.01.85");
    EXPECT_EQ(readBytes(dir / "out/night2.edf").substr(168, 8), "03.01.85");
    EXPECT_EQ(readBytes(dir / "out/night0.edf").substr(168, 8), "01.01.85");
    EXPECT_NE(run.out.find("3 annotation texts changed"), std::string::npos) << run.out;
    const std::string key = readBytes(dir / "key.csv");
    EXPECT_NE(key.find("\"QZ-77410 F 09-MAR-1962 Wilhelmina_Oosterhuis\",\"Startdate 14-FEB-2019 "
                       "ADM-1 Tech_Name Amp_3000\",\"16.02.19\",\"10.00.00\",-12462"),
              std::string::npos)
        << key;
#ifndef _WIN32 // Windows keeps a file private by its folder's access list, not its mode.
    EXPECT_EQ(fs::status(dir / "key.csv").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
#endif
    const ProgramRun check = cli({"--check", "--json", path("out")});
    EXPECT_EQ(check.exitCode, 0) << check.out;
    EXPECT_NE(check.out.find("\"identifying\": []"), std::string::npos) << check.out;
    EXPECT_NE(cli({"--check", path("in")}).out.find("identifying: patient code, birthdate"),
              std::string::npos);
    const std::string thorough = cli({"--check", "--thorough", path("in/night1.edf")}).out;
    for (const char *named : {"dates in annotation texts", "annotation texts naming the patient"})
        EXPECT_NE(thorough.find(named), std::string::npos) << thorough;
}

TEST_F(CliTest, AKeyRowNotWrittenFailsTheFileWithTheReason)
{
#ifdef _WIN32
    GTEST_SKIP() << "no file-size limit under Windows";
#endif
    writeBytes(dir / "a.edf", identifiedEdfPlus("14.02.19"));
    // A key past the file-size limit the copy stays within: its row cannot be added.
    const std::size_t limit = 512 * 256;
    ASSERT_LT(readBytes(dir / "a.edf").size(), limit);
    writeBytes(dir / "key.csv", std::string(limit, '\n'));
    fs::permissions(dir / "key.csv", fs::perms::owner_read | fs::perms::owner_write);
    const ProgramRun run = runProgram("/bin/sh",
                                      {"-c", "ulimit -f 256; exec \"$0\" \"$@\"", VELMORANT_CLI,
                                       "--deidentify", "--key", path("key.csv"), path("a.edf")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("key not written: " + path("key.csv") + ": File too large"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(dir / "aFixed.edf")) << "a copy in place without its key row";
}

// A key that would change a file of the run, or be read by others, is
// refused before anything is written.
TEST_F(CliTest, KeyFileIsRefusedWithNothingWritten)
{
    struct KeyCase {
        const char *name;
        std::function<std::string()> key; // made ready; the path to give --key
        const char *reason;
    };
    std::vector<KeyCase> cases{
        {"the source", [&] { return path("a.edf"); }, "a source or a destination"},
        {"the destination", [&] { return path("b.edf"); }, "a source or a destination"},
        {"the destination, another way", [&] { return path("./b.edf"); },
         "a source or a destination"},
#ifndef _WIN32
        {"a link",
         [&] {
             fs::create_symlink(dir / "elsewhere.csv", dir / "link.csv");
             return path("link.csv");
         },
         "a link"},
        {"readable by others",
         [&] {
             writeBytes(dir / "open.csv", "");
             fs::permissions(dir / "open.csv",
                             fs::perms::owner_read | fs::perms::owner_write
                                 | fs::perms::group_read);
             return path("open.csv");
         },
         "chmod 600"},
#endif
    };
#ifndef _WIN32
    // Only root can give a file away.
    if (::geteuid() == 0)
        cases.push_back({"someone else's",
                         [&] {
                             writeBytes(dir / "theirs.csv", "");
                             fs::permissions(dir / "theirs.csv",
                                             fs::perms::owner_read | fs::perms::owner_write);
                             EXPECT_EQ(::chown((dir / "theirs.csv").c_str(), 65534, 65534), 0);
                             return path("theirs.csv");
                         },
                         "belongs to someone else"});
#endif
    for (const KeyCase &c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir.path());
        fs::create_directories(dir.path());
        writeBytes(dir / "a.edf", identifiedEdfPlus("14.02.19"));
        const std::string key = c.key();
        const auto before = snapshot(dir.path());
        const ProgramRun run = cli({"--deidentify", "--key", key, path("a.edf"), path("b.edf")});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
        EXPECT_EQ(snapshot(dir.path()), before);
    }
}

// A header that names nobody leaves only the user's words to search for,
// read as they show, whatever the editor wrote around them.
TEST_F(CliTest, HeaderNamingNobodyIsSaidAndRedactWordsAreReadAsShown)
{
    writeBytes(dir / "a.edf",
               withSlot(identifiedEdfPlus("14.02.19"), fixedSlot(FixedField::patient), "X X X X"));
    writeBytes(dir / "words.txt", "\xEF\xBB\xBFOosterhuis\r\nwilhelmina\r\n");
    const ProgramRun run
        = cli({"--deidentify", "--redact", path("words.txt"), path("a.edf"), path("b.edf")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("names nobody"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("3 annotation texts changed"), std::string::npos) << run.out;
    const ProgramRun json = cli({"--deidentify", "--json", path("a.edf"), path("c.edf")});
    EXPECT_NE(json.out.find("\"warnings\": [{\"field\": \"annotation texts\""), std::string::npos)
        << json.out;
}

// The copies keep the folders they were found in, names and all.
TEST_F(CliTest, FolderNameHoldingTheIdentityIsWarnedAbout)
{
    fs::create_directories(dir / "in/Oosterhuis");
    fs::create_directory(dir / "out");
    writeBytes(dir / "in/Oosterhuis/night.edf", identifiedEdfPlus("14.02.19"));
    const ProgramRun run
        = cli({"--deidentify", "--recursive", "--folder", path("in"), path("out")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("folder name on its way"), std::string::npos) << run.err;
}

// A start date only the thorough repair can read still moves with the run.
TEST_F(CliTest, ThoroughlyReadStartDateMovesWithTheRun)
{
    fs::create_directory(dir / "in");
    fs::create_directory(dir / "out");
    writeBytes(dir / "in/night1.edf", identifiedEdfPlus("14.02.19"));
    writeBytes(dir / "in/night2.edf",
               withSlot(withSlot(identifiedEdfPlus("14.02.19"), fixedSlot(FixedField::startDate),
                                 "12/02/19"),
                        fixedSlot(FixedField::recording), "Startdate 12-FEB-2019 X X X"));
    const ProgramRun run = cli({"--thorough", "--deidentify", "--folder", path("in"), path("out")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readBytes(dir / "out/night2.edf").substr(168, 8), "01.01.85");
    EXPECT_EQ(readBytes(dir / "out/night1.edf").substr(168, 8), "03.01.85");
}

TEST_F(CliTest, FieldsBeingClearedDoNotMakeTheThoroughRepairRefuse)
{
    const std::string loose = withSlot(identifiedEdfPlus("14.02.19"),
                                       fixedSlot(FixedField::patient), "Wilhelmina Oosterhuis");
    writeBytes(dir / "a.edf", loose);
    EXPECT_EQ(cli({"--thorough", path("a.edf")}).exitCode, 1);
    const ProgramRun run
        = cli({"--thorough", "--deidentify", path("a.edf"), path("OOSTERHUIS-night.edf")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readBytes(dir / "OOSTERHUIS-night.edf").substr(8, 8), "X X X X ");
    EXPECT_NE(run.err.find("file name holds part of the patient's name"), std::string::npos)
        << run.err;
}

namespace {

// A copy of a real sample given a made-up identity, in the header and, in
// EDF+, in an annotation text of the first record (upper, lower, accented).
std::string withIdentity(std::string edf, bool &named)
{
    const bool plus = edf.compare(192, 4, "EDF+") == 0;
    edf = withSlot(edf, fixedSlot(FixedField::patient),
                   plus ? "QZ-77410 F 09-MAR-1962 Wilhelmina_Oosterhuis"
                        : "Wilhelmina Oosterhuis 09-MAR-1962 QZ-77410");
    edf = withSlot(edf, fixedSlot(FixedField::recording),
                   plus ? "Startdate X ADM-1 Tech_Name Amp_3000" : "ADM-1 Tech Name");
    const auto ns = static_cast<std::uint32_t>(std::stoul(edf.substr(252, 4)));
    std::size_t offset = headerSize(ns);
    for (std::uint32_t s = 1; s <= ns; ++s) {
        const std::size_t size
            = 2 * std::stoul(slotText(edf, signalSlot(SignalField::samplesPerRecord, s, ns)));
        if (plus && slotText(edf, signalSlot(SignalField::label, s, ns)) == "EDF Annotations ") {
            const char tal[] = "+0.25\x14OOSTERHUIS wilhelmina \xC3\x96osterh\xC3\xBCis\x14";
            const std::size_t end = edf.find_last_not_of('\0', offset + size - 1) + 2;
            named = end - offset + sizeof tal <= size;
            if (named)
                edf.replace(end, sizeof tal, tal, sizeof tal);
            break;
        }
        offset += size;
    }
    return edf;
}

} // namespace

TEST_F(CliTest, DeidentifiesTheRealSamples)
{
    if (!fs::is_directory(VELMORANT_REAL_SAMPLES))
        GTEST_SKIP() << "no samples at " << VELMORANT_REAL_SAMPLES;
    fs::create_directory(dir / "in");
    fs::create_directory(dir / "out");
    int named = 0;
    for (fs::directory_iterator it(VELMORANT_REAL_SAMPLES), end; it != end; ++it)
        if (it->path().extension() == ".edf") {
            bool inAnnotations = false;
            writeBytes(dir / "in" / it->path().filename(),
                       withIdentity(readBytes(it->path()), inAnnotations));
            named += inAnnotations ? 1 : 0;
        }
    EXPECT_GT(named, 0);
    const ProgramRun run = cli({"--deidentify", "--folder", path("in"), path("out")});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    for (fs::directory_iterator it(dir / "in"), end; it != end; ++it) {
        const std::string source = readBytes(it->path());
        std::string copy = readBytes(dir / "out" / it->path().filename());
        ASSERT_EQ(copy.size(), source.size());
        const std::size_t header = std::stoul(source.substr(184, 8));
        std::size_t otherwise = 0;
        for (std::size_t i = header; i < copy.size(); ++i)
            otherwise += copy[i] != source[i] && copy[i] != 'X' ? 1 : 0;
        EXPECT_EQ(otherwise, 0u) << it->path();
        for (char &c : copy)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (const char *identifying : {"oosterhuis", "wilhelmina", "qz-77410", "1962", "adm-1"})
            EXPECT_EQ(copy.find(identifying), std::string::npos) << it->path() << identifying;
    }
    const ProgramRun check = cli({"--check", "--json", path("out")});
    EXPECT_EQ(check.exitCode, 0) << check.out;
    EXPECT_EQ(check.out.find("\"identifying\": [\""), std::string::npos) << check.out;
}

// The usual repair writes no BDF as EDF; the thorough one keeps it BDF, sound
// as it came, and says so in its JSON.
TEST_F(CliTest, RepairsTheRealBdfSamplesOnlyThoroughly)
{
    const fs::path samples = fs::path(VELMORANT_REAL_SAMPLES) / ".." / "bdf";
    if (!fs::is_directory(samples))
        GTEST_SKIP() << "no samples at " << samples;
    fs::create_directory(dir / "in");
    fs::create_directory(dir / "out");
    const std::string plus = readBytes(samples / "edfio_test_subsecond.bdf");
    const std::string status = readBytes(samples / "mne_bdf_stim_channel.bdf");
    writeBytes(dir / "in/plus.BDF", plus);
    writeBytes(dir / "in/status.bdf", status);
    const ProgramRun usual = cli({"--folder", path("in"), path("out")});
    EXPECT_EQ(usual.exitCode, 1);
    EXPECT_NE(usual.err.find("--thorough"), std::string::npos) << usual.err;
    EXPECT_TRUE(fs::is_empty(dir / "out"));
    const ProgramRun thorough = cli({"--thorough", "--json", "--folder", path("in"), path("out")});
    ASSERT_EQ(thorough.exitCode, 0) << thorough.out << thorough.err;
    EXPECT_NE(thorough.out.find("\"format\": \"BDF+\", \"repaired\": true"), std::string::npos);
    EXPECT_NE(thorough.out.find("\"format\": \"BDF\", \"repaired\": true"), std::string::npos);
    EXPECT_EQ(readBytes(dir / "out/plus.BDF"), plus);
    EXPECT_EQ(readBytes(dir / "out/status.bdf"), status);
}

// Tasks each told their share do one whole run between them, and the
// summary of their checks' reports is the whole check's.
TEST_F(CliTest, ShardsTogetherDoOneWholeRun)
{
    fillTree();
    const std::string in = path("in");
    const ProgramRun whole = cli({"--recursive", "--folder", in, path("whole")});
    std::string shardsSaid;
    for (const char *shard : {"1/3", "2/3", "3/3"}) {
        const ProgramRun run = cli({"--recursive", "--shard", shard, "--folder", in, path("out")});
        EXPECT_NE(run.exitCode, 2) << run.err;
        shardsSaid += run.out + run.err;
    }
    EXPECT_EQ(fileLines(shardsSaid, path("out"), path("whole")),
              fileLines(whole.out + whole.err, path("whole"), path("whole")));
    EXPECT_EQ(snapshot(dir / "out"), snapshot(dir / "whole"));

    for (const char *shard : {"1", "2"})
        writeBytes(
            dir / (shard + std::string(".jsonl")),
            cli({"--check", "--json", "--recursive", "--shard", shard + std::string("/2"), in})
                .out);
    const ProgramRun check = cli({"--check", "--recursive", in});
    const ProgramRun summed = cli({"--summarize", path("2.jsonl"), path("1.jsonl")});
    EXPECT_EQ(summed.exitCode, 1);
    ASSERT_NE(check.out.find("Files by fault"), std::string::npos) << check.out;
    EXPECT_EQ(summed.out, check.out.substr(check.out.find("Files by fault")));
    EXPECT_NE(summed.out.find("25 files checked: 0 sound, 24 needs repair, 1 not repairable\n"),
              std::string::npos)
        << summed.out;
}

TEST_F(CliTest, FilesFromTakesLinesNulAndStandardInput)
{
    std::string lines, nul;
    for (const std::string &name : fillTree()) {
        lines += "./" + name + "\n";
        nul += name + '\0';
    }
    writeBytes(dir / "lines", lines);
    writeBytes(dir / "zeros", nul); // "nul" would name Windows' null device
    const std::string in = path("in");
    ASSERT_EQ(cli({"--recursive", "--folder", in, path("whole")}).exitCode, 1);
    const std::vector<std::pair<std::vector<std::string>, std::string>> ways{
        {{"--files-from", path("lines")}, ""},
        {{"--files-from", path("zeros"), "--from0"}, ""},
        {{"--files-from", "-"}, path("lines")},
        {{"--files-from", "-", "--from0"}, path("zeros")}};
    for (const auto &[options, input] : ways) {
        fs::remove_all(dir / "out");
        fs::create_directory(dir / "out");
        std::vector<std::string> arguments = options;
        arguments.insert(arguments.end(), {"--folder", in, path("out")});
        const ProgramRun run = runProgram(VELMORANT_CLI, arguments, {}, {}, input);
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_EQ(snapshot(dir / "out"), snapshot(dir / "whole")) << options[1];
    }
    writeBytes(dir / "outside", "../in/0.edf\n");
    const ProgramRun refused = cli({"--files-from", path("outside"), "--folder", in, path("out")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err,
              "not repaired: ../in/0.edf: the path does not lie below the source folder\n");
}

// A run stopped half-way leaves complete destinations and, at worst, staging
// files; run again with --skip-existing, it repairs exactly the rest.
TEST_F(CliTest, SkipExistingRepairsExactlyWhatAStoppedRunLeft)
{
    const std::vector<std::string> names = fillTree();
    const std::string in = path("in");
    ASSERT_EQ(cli({"--recursive", "--folder", in, path("whole")}).exitCode, 1);
    fs::remove(dir / "out"); // Windows copies no folder onto one that is there
    fs::copy(dir / "whole", dir / "out", fs::copy_options::recursive);
    std::set<std::string> missing, there;
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        if (i % 2 == 0)
            fs::remove(dir / "out" / names[i]);
        (i % 2 == 0 ? missing : there).insert(names[i]);
    }
    writeBytes(dir / "out" / ".0.edf.0123abcd.velmorant-part", "cut short");
    writeBytes(dir / "out" / names[1], "whatever is there stays");
    const ProgramRun run
        = cli({"--skip-existing", "--json", "--recursive", "--folder", in, path("out")});
    EXPECT_EQ(run.exitCode, 1); // the refused file, tried again
    std::set<std::string> repaired, skipped;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        const std::optional<JsonValue> json = parseJson(line);
        ASSERT_TRUE(json) << line;
        const std::string file = json->member("file")->text.substr(in.size() + 1);
        if (json->member("skipped"))
            skipped.insert(file);
        else if (json->member("repaired")->boolean)
            repaired.insert(file);
    }
    EXPECT_EQ(repaired, missing);
    EXPECT_EQ(skipped, there);
    EXPECT_EQ(readBytes(dir / "out" / names[1]), "whatever is there stays");
    writeBytes(dir / "out" / names[1], readBytes(dir / "whole" / names[1]));
    EXPECT_EQ(snapshot(dir / "out"), snapshot(dir / "whole"));
}
