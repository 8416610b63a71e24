// The built velmorant-cli, run as a user would run it.
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
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <map>

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

// Every file under a folder with its bytes.
std::map<std::string, std::string> snapshot(const fs::path &root)
{
    std::map<std::string, std::string> files;
    for (fs::recursive_directory_iterator it(root), end; it != end; ++it)
        files[it->path().string()]
            = fs::is_regular_file(it->path()) ? readBytes(it->path()) : "<dir>";
    return files;
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
    fs::resize_file(source, std::uintmax_t(512) << 20);
    const std::string repair
        = std::string(VELMORANT_CLI) + " " + source.string() + " " + (memory / "a.edf").string();
    const ProgramRun onTerminal = runProgram("/usr/bin/script", {"-qfec", repair, "/dev/null"});
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
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].rfind("{\"file\": \"" + jsonEscaped(path("in")) + "/" + names[i]
                                     + "\", \"findings\": [",
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
    const ProgramRun run
        = cli({"--deidentify", "--key", path("key.csv"), "--folder", path("in"), path("out")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char *identifying : {"oosterhuis", "wilhelmina", "qz-77410", "1962", "adm-1",
                                    "tech_name", "amp_3000", "09-mar"}) {
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
}

TEST_F(CliTest, AKeyRowNotWrittenFailsTheFileWithTheReason)
{
#ifdef _WIN32
    GTEST_SKIP() << "no full device under Windows";
#endif
    writeBytes(dir / "a.edf", identifiedEdfPlus("14.02.19"));
    const ProgramRun run = cli({"--deidentify", "--key", "/dev/full", path("a.edf")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("key not written: /dev/full: " + path("aFixed.edf")
                           + ": No space left on device"),
              std::string::npos)
        << run.err;
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
