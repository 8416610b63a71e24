// What Windows does differently, run by the built velmorant-cli under the
// system's own rules for names, sharing and attributes: each row either
// repairs or fails with its reason, and leaves the source as it was, no
// staging file behind and an earlier destination byte for byte.
#include "repair/engine/header_repair.h"
#include "repair/platform/file_names.h"
#include "tests/support/edf_test_files.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"

#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using namespace velmorant;

namespace {

const std::string earlierDestination = "an earlier repaired recording that the user keeps\n";

// Whatever a row does to the destination before the run, undone after it.
using Arrangement = std::shared_ptr<void>;

Arrangement nothing(const fs::path &)
{
    return nullptr;
}

Arrangement heldOpenElsewhere(const fs::path &destination)
{
    writeBytes(destination, earlierDestination);
    // As an EDF viewer holds a file it shows: reading, without sharing deletion.
    HANDLE held
        = ::CreateFileW(destination.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(held, INVALID_HANDLE_VALUE);
    return Arrangement(held, [](HANDLE h) { ::CloseHandle(h); });
}

Arrangement readOnly(const fs::path &destination)
{
    writeBytes(destination, earlierDestination);
    fs::permissions(destination,
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    return Arrangement(nullptr, [destination](void *) {
        fs::permissions(destination, fs::perms::owner_write, fs::perm_options::add);
    });
}

fs::path leftoverOf(const fs::path &destination)
{
    return destination.parent_path()
        / ("." + destination.filename().u8string() + ".0123abcd.velmorant-part");
}

Arrangement leftByADeadRepair(const fs::path &destination)
{
    writeBytes(leftoverOf(destination), "half a copy");
    return nullptr;
}

// As a running repair holds its staging file: without sharing deletion.
Arrangement stillBeingWritten(const fs::path &destination)
{
    writeBytes(leftoverOf(destination), "half a copy");
    HANDLE held
        = ::CreateFileW(leftoverOf(destination).c_str(), GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(held, INVALID_HANDLE_VALUE);
    return Arrangement(held, [](HANDLE h) { ::CloseHandle(h); });
}

struct WindowsCase {
    const char *what;
    std::string source; // in the scratch folder
    std::string destination; // in the scratch folder; empty: the derived one
    std::function<Arrangement(const fs::path &)> arrange;
    std::string failure; // part of the reason; empty: repaired
    std::size_t stagingKept = 0; // another repair's, still being written
};

const std::string deep = std::string(120, 'd') + "\\" + std::string(120, 'e') + "\\";

const WindowsCase windowsCases[] = {
    {"names equal but for case are one file", "REC.EDF", "rec.edf", nothing,
     "the source file itself"},
    {"NUL names a device", "rec.edf", "NUL", nothing, "not a regular file"},
    {"CON names a device", "rec.edf", "CON", nothing, "not a regular file"},
    {"COM1 names a device", "rec.edf", "com1", nothing, "not a regular file"},
    {"a device keeps its name with an extension", "rec.edf", "nul.edf", nothing,
     "not a regular file"},
    {"trailing spaces and dots do not hide a device", "rec.edf", "Aux .edf", nothing,
     "not a regular file"},
    {"a destination another program holds open", "rec.edf", "held.edf", heldOpenElsewhere,
     "could not be moved into place"},
    {"a read-only destination", "rec.edf", "locked.edf", readOnly, "could not be moved into place"},
    {"a path longer than 260 characters", "rec.edf", deep + std::string(40, 'n') + ".edf", nothing,
     ""},
    {"letters outside the ANSI code page", "M\xC3\xBCller_J\xC3\xB6rg_\xE6\x97\xA5\xE6\x9C\xAC.edf",
     "", nothing, ""},
    {"a staging file left by a repair that died", "rec.edf", "left.edf", leftByADeadRepair, ""},
    {"a staging file another repair still writes", "rec.edf", "busy.edf", stillBeingWritten, "", 1},
};

class WindowsFaults : public ::testing::TestWithParam<WindowsCase>
{
};

std::vector<std::string> stagingFilesIn(const fs::path &folder)
{
    std::vector<std::string> left;
    for (const auto &entry : fs::directory_iterator(folder))
        if (entry.path().filename().u8string().find(".velmorant-part") != std::string::npos)
            left.push_back(entry.path().u8string());
    return left;
}

} // namespace

TEST_P(WindowsFaults, RepairsOrFailsWithItsReasonAndLosesNothing)
{
    const WindowsCase &c = GetParam();
    ScratchDir dir;
    const fs::path source = dir.path() / fs::u8path(c.source);
    const std::string sourceText = source.u8string();
    const std::string destinationText = c.destination.empty()
        ? sourceText.substr(0, sourceText.size() - 4) + "Fixed.edf"
        : (dir.path() / fs::u8path(c.destination)).u8string();
    const fs::path destination = toFsPath(destinationText); // reaches past 260 characters
    const std::string recording = buildEdf(recorderFile());
    writeBytes(source, recording);
    fs::create_directories(destination.parent_path());
    const Arrangement arranged = c.arrange(destination);
    const std::string earlier = fs::is_regular_file(destination) ? readBytes(destination) : "";

    std::vector<std::string> arguments{sourceText};
    if (!c.destination.empty())
        arguments.push_back(destinationText);
    const ProgramRun run = runProgram(VELMORANT_CLI, arguments);

    EXPECT_TRUE(readBytes(source) == recording);
    EXPECT_EQ(stagingFilesIn(destination.parent_path()).size(), c.stagingKept);
    if (c.failure.empty()) {
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out.rfind("repaired: " + sourceText + " -> " + destinationText + "\n", 0), 0u)
            << run.out;
        ScratchDir elsewhere;
        HeaderRepair library;
        ASSERT_TRUE(library.repairHeader(sourceText, (elsewhere / "x.edf").u8string()));
        EXPECT_TRUE(readBytes(destination) == readBytes(elsewhere / "x.edf"));
    } else {
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_THAT(run.err, HasSubstr(c.failure));
        if (!earlier.empty()) {
            EXPECT_TRUE(readBytes(destination) == earlier);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, WindowsFaults, ::testing::ValuesIn(windowsCases),
                         [](const ::testing::TestParamInfo<WindowsCase> &info) {
                             return "Case" + std::to_string(info.index);
                         });
