// Real faults around the repair of one file. After each, the source must be
// byte for byte as it was, nothing may be left in the destination's folder,
// and the destination must hold either the complete repaired copy or exactly
// what it held before.

#include "edf/wording/failure_text.h"
#include "repair/engine/batch_limits.h"
#include "repair/engine/header_repair.h"
#include "repair/platform/signal_cleanup.h"
#include "repair/staging/staged_copy.h"
#include "repair/staging/unique_name.h"
#include "tests/repair/fault_harness.h"
#include "tests/support/edf_test_files.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"

#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <grp.h>
#include <memory>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace velmorant;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

// What the recorder file of recorderFile() must become.
std::string repairedRecording()
{
    return buildEdf(repairedRecorderFile());
}

::testing::AssertionResult keptPromise(const ChildReport &report)
{
    if (!report.completed)
        return ::testing::AssertionFailure() << report.abnormalEnd;
    if (report.problems.empty())
        return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    for (const auto &problem : report.problems)
        failure << "\n  " << problem;
    return failure;
}

// The repair said no and kept its promise; reasonPart shows the fault struck.
void expectSafeRefusal(const ChildReport &report, const std::string &reasonPart = {})
{
    EXPECT_TRUE(keptPromise(report));
    EXPECT_FALSE(report.repaired);
    EXPECT_THAT(report.failure, HasSubstr(reasonPart));
}

// A folder on a file system other than the one of the scratch folder.
class ForeignFolder
{
public:
    ForeignFolder(const fs::path &parent, const fs::path &near)
    {
        struct stat here {
        }, there{};
        if (::stat(near.c_str(), &here) != 0 || ::stat(parent.c_str(), &there) != 0) {
            whyNot = parent.string() + " is not available";
            return;
        }
        if (here.st_dev == there.st_dev) {
            whyNot = parent.string() + " is on the same file system as " + near.string();
            return;
        }
        root = parent / velmorant::uniqueName("velmorant-fault-%%%%-%%%%");
        fs::create_directory(root);
    }
    ~ForeignFolder()
    {
        std::error_code ignored;
        if (!root.empty())
            fs::remove_all(root, ignored);
    }
    ForeignFolder(const ForeignFolder &) = delete;
    ForeignFolder &operator=(const ForeignFolder &) = delete;

    fs::path root;
    std::string whyNot;
};

constexpr unsigned timeLimit = 20;
const std::string earlierDestination = "an earlier repaired recording that the user keeps\n";

class Faults : public ::testing::Test
{
protected:
    void SetUp() override
    {
        writeBytes(source, buildEdf(recorderFile()));
        fs::create_directory(outFolder);
    }

    Scenario scenario() const { return Scenario(source, destination, repairedRecording()); }

    ChildReport repairInChild(const Scenario &s) const
    {
        return runInChild([&s] { return repairAndCheck(s); }, timeLimit);
    }

    // Mounts in a namespace of the child's own, which vanish with it;
    // mount() returns why it failed, or nothing. The scenario is taken
    // after mounting.
    ChildReport repairInOwnMounts(const std::function<std::string()> &mount) const
    {
        return runInChild(
            [&] {
                ChildReport skipped;
                if (!enterPrivateMounts(skipped.skipped))
                    return skipped;
                skipped.skipped = mount();
                if (!skipped.skipped.empty())
                    return skipped;
                return repairAndCheck(scenario());
            },
            timeLimit);
    }

    ScratchDir scratch;
    fs::path source = scratch / "recording.edf";
    fs::path outFolder = scratch / "out";
    fs::path destination = outFolder / "recordingFixed.edf";
};

// Both with and without an earlier destination that must survive.
const bool withEarlierDestination[] = {false, true};

// --- The destination's file system fills up --------------------------------

ChildReport repairUnderFileSizeLimit(const Scenario &s)
{
    return runInChild(
        [&s] {
            installSignalHandlers(); // as the programs do: SIGXFSZ must not kill
            const rlimit limit{1 << 20, 1 << 20};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            return repairAndCheck(s);
        },
        timeLimit);
}

TEST_F(Faults, DestinationFillsUpDuringCopy)
{
    for (bool earlier : withEarlierDestination) {
        SCOPED_TRACE(earlier ? "earlier destination" : "no earlier destination");
        if (earlier)
            writeBytes(destination, earlierDestination);
        const ChildReport report = repairUnderFileSizeLimit(scenario());
        expectSafeRefusal(report, "File too large");
    }
}

// The copy across file systems takes another road; it must clean up too.
TEST_F(Faults, DestinationOnAnotherFileSystemFillsUpDuringCopy)
{
    ForeignFolder foreign("/dev/shm", scratch.path());
    if (foreign.root.empty())
        GTEST_SKIP() << foreign.whyNot;
    for (bool earlier : withEarlierDestination) {
        SCOPED_TRACE(earlier ? "earlier destination" : "no earlier destination");
        const fs::path target = foreign.root / "recordingFixed.edf";
        if (earlier)
            writeBytes(target, earlierDestination);
        const ChildReport report
            = repairUnderFileSizeLimit(Scenario(source, target, repairedRecording()));
        expectSafeRefusal(report, "File too large");
    }
}

TEST_F(Faults, SmallFileSystemRunsOutOfSpace)
{
    const fs::path folder = outFolder;
    const ChildReport report = repairInOwnMounts([&folder] {
        if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=1m") != 0)
            return std::string("mounting a tmpfs: ") + strerror(errno);
        writeBytes(folder / "recordingFixed.edf", earlierDestination);
        return std::string();
    });
    if (!report.skipped.empty())
        GTEST_SKIP() << report.skipped;
    expectSafeRefusal(report, "No space left on device");
}

// --- The destination folder is missing or not writable --------------------

TEST_F(Faults, DestinationFolderMissing)
{
    const Scenario s(source, scratch / "missing" / "recordingFixed.edf", repairedRecording());
    const ChildReport report = repairInChild(s);
    expectSafeRefusal(report);
}

TEST_F(Faults, DestinationFolderOnReadOnlyFileSystem)
{
    writeBytes(destination, earlierDestination);
    const fs::path folder = outFolder;
    const ChildReport report = repairInOwnMounts([&folder] {
        const char *at = folder.c_str();
        if (::mount(at, at, nullptr, MS_BIND, nullptr) != 0
            || ::mount(nullptr, at, nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
            return std::string("read-only bind mount: ") + strerror(errno);
        return std::string();
    });
    if (!report.skipped.empty())
        GTEST_SKIP() << report.skipped;
    expectSafeRefusal(report, "Read-only file system");
}

// Root may read and write anywhere, so root hands the repair to an
// unprivileged user; the checks run here afterwards, as root.
constexpr uid_t nobody = 65534;
ChildReport repairAsNobody(const Scenario &s)
{
    ChildReport report = runInChild(
        [&s] {
            ChildReport skipped;
            if (::geteuid() == 0
                && (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0
                    || ::setuid(nobody) != 0)) {
                skipped.skipped = std::string("dropping to uid 65534: ") + strerror(errno);
                return skipped;
            }
            ::umask(022);
            return repairOnly(s);
        },
        timeLimit);
    if (report.completed && report.skipped.empty())
        report.problems = s.check(report.repaired);
    return report;
}

TEST_F(Faults, DestinationFolderNotWritableForUser)
{
    writeBytes(destination, earlierDestination);
    const bool root = ::geteuid() == 0;
    if (root) {
        // The other user may read everything and write nothing, whatever the umask.
        using fs::perms;
        const perms file
            = perms::owner_read | perms::owner_write | perms::group_read | perms::others_read;
        const perms folder = file | perms::owner_exec | perms::group_exec | perms::others_exec;
        for (const auto &path : {scratch.path(), outFolder})
            fs::permissions(path, folder);
        for (const auto &path : {source, destination})
            fs::permissions(path, file);
    } else {
        fs::permissions(outFolder, fs::perms::owner_read | fs::perms::owner_exec);
    }
    const ChildReport report = repairAsNobody(scenario());
    if (!root)
        fs::permissions(outFolder, fs::perms::owner_all);
    if (!report.skipped.empty())
        GTEST_SKIP() << report.skipped;
    expectSafeRefusal(report, "Permission denied");
}

// A folder the user may not list is a failure with the system's reason, in
// every form of output, never "nothing to convert".
TEST_F(Faults, SourceFolderNotListableForUser)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to hand the run to another user";
    const fs::path locked = scratch / "locked";
    fs::create_directory(locked);
    writeBytes(locked / "a.edf", buildEdf(recorderFile()));
    fs::permissions(scratch.path(), fs::perms::owner_all | fs::perms::others_all);
    fs::permissions(locked, fs::perms::owner_all | fs::perms::others_exec);
    const std::vector<std::string> runs[] = {
        {"--folder", locked.string(), scratch.path().string()},
        {"--check", locked.string()},
        {"--check", "--json", locked.string()},
    };
    for (const auto &arguments : runs) {
        SCOPED_TRACE(arguments[1]);
        const ChildReport report = runInChild(
            [&arguments] {
                ChildReport run;
                if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
                    run.skipped = std::string("dropping to uid 65534: ") + strerror(errno);
                const ProgramRun cli = runProgram(VELMORANT_CLI, arguments);
                if (cli.exitCode != 1)
                    run.problems.push_back("exit status " + std::to_string(cli.exitCode));
                run.failure = cli.out + cli.err;
                return run;
            },
            timeLimit);
        if (!report.skipped.empty())
            GTEST_SKIP() << report.skipped;
        EXPECT_THAT(report.problems, IsEmpty()) << report.failure;
        EXPECT_THAT(report.failure, HasSubstr("Permission denied"));
        EXPECT_THAT(report.failure, Not(HasSubstr("No file to convert.")));
    }
}

// A source that the user may read only through its group (mode 0040) is
// copied, patched and ends with the source's permission bits.
TEST_F(Faults, SourceReadableOnlyThroughItsGroup)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a file of another owner";
    if (::chown(source.c_str(), 0, nobody) != 0 || ::chown(outFolder.c_str(), nobody, nobody) != 0)
        GTEST_SKIP() << "chown: " << strerror(errno);
    fs::permissions(scratch.path(), fs::perms::owner_all | fs::perms::others_exec);
    fs::permissions(source, fs::perms::group_read);
    const ChildReport report = repairAsNobody(scenario());
    if (!report.skipped.empty())
        GTEST_SKIP() << report.skipped;
    EXPECT_TRUE(keptPromise(report));
    EXPECT_TRUE(report.repaired) << report.failure;
    EXPECT_EQ(fs::status(destination).permissions(), fs::perms::group_read);
}

// --- Paths that name the wrong kind of thing -------------------------------

// Only a file or a link (the link itself) is ever replaced.
TEST_F(Faults, DestinationIsNotARegularFile)
{
    const fs::path at = destination;
    const std::pair<const char *, std::function<int()>> kinds[] = {
        {"folder",
         [at] {
             fs::create_directory(at);
             writeBytes(at / "inside.edf", "a file the user keeps in that folder\n");
             return 0;
         }},
        {"FIFO", [at] { return ::mkfifo(at.c_str(), 0644); }},
        {"device", [at] { return ::mknod(at.c_str(), S_IFCHR | 0644, ::makedev(1, 3)); }},
        {"socket",
         [at] {
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             at.string().copy(address.sun_path, sizeof address.sun_path - 1);
             const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
             const int bound = ::bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address);
             ::close(s);
             return bound;
         }},
    };
    for (const auto &[kind, make] : kinds) {
        SCOPED_TRACE(kind);
        if (make() != 0) {
            ASSERT_EQ(errno, EPERM) << strerror(errno); // only devices need root
            continue;
        }
        expectSafeRefusal(repairInChild(scenario()), "not a regular file");
        fs::remove_all(destination);
    }
}

TEST_F(Faults, SourceIsAFolder)
{
    const fs::path folder = scratch / "folder.edf";
    fs::create_directory(folder);
    writeBytes(folder / "inside.edf", buildEdf(recorderFile()));
    for (bool earlier : withEarlierDestination) {
        SCOPED_TRACE(earlier ? "earlier destination" : "no earlier destination");
        if (earlier)
            writeBytes(destination, earlierDestination);
        const ChildReport report
            = repairInChild(Scenario(folder, destination, repairedRecording()));
        expectSafeRefusal(report, "not a regular file");
    }
}

TEST_F(Faults, SourceIsALinkToItself)
{
    const fs::path loop = scratch / "loop.edf";
    fs::create_symlink("loop.edf", loop);
    for (bool earlier : withEarlierDestination) {
        SCOPED_TRACE(earlier ? "earlier destination" : "no earlier destination");
        if (earlier)
            writeBytes(destination, earlierDestination);
        const ChildReport report = repairInChild(Scenario(loop, destination, repairedRecording()));
        expectSafeRefusal(report, "Too many levels of symbolic links");
    }
}

// A source that was a file when checked and is a FIFO when opened: the copy
// gives up at once instead of waiting for a writer.
TEST_F(Faults, SourceSwappedForAFifoBeforeItsOpen)
{
    const fs::path fifo = scratch / "fifo.edf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << strerror(errno);
    const ChildReport report = runInChild(
        [this, &fifo] {
            ChildReport child;
            StagingRun run;
            StagedCopy copy(destination, run);
            child.repaired = copy.copyFrom(fifo, child.failure);
            child.completed = true;
            return child;
        },
        timeLimit);
    ASSERT_TRUE(report.completed) << report.abnormalEnd;
    EXPECT_FALSE(report.repaired);
    EXPECT_THAT(report.failure, HasSubstr("no longer a regular file"));
    EXPECT_TRUE(fs::is_empty(outFolder));
}

// --- The source vanishes while it is copied ---------------------------------

// Each case runs once onto the source's own file system and once onto
// another, whose copy takes a different road.
class SourceVanishes : public Faults, public ::testing::WithParamInterface<bool>
{
protected:
    void SetUp() override
    {
        Faults::SetUp();
        if (GetParam()) {
            foreign = std::make_unique<ForeignFolder>("/dev/shm", scratch.path());
            if (foreign->root.empty())
                GTEST_SKIP() << foreign->whyNot;
            destination = foreign->root / "recordingFixed.edf";
        }
        writeBytes(destination, earlierDestination);
    }

    // The source may only be read for the checks once the fault is gone.
    ChildReport repairUnder(std::unique_ptr<ReadFault> fault, const Scenario &s) const
    {
        ChildReport report = runInChild([&s] { return repairOnly(s); }, timeLimit, fault.get());
        EXPECT_TRUE(fault->struck()) << "the fault never struck";
        fault.reset();
        if (report.completed)
            report.problems = s.check(report.repaired);
        return report;
    }

    // Across file systems the copy reads a MiB at a time, so the fault
    // strikes after the first; on one file system the kernel copies the
    // whole file in one call, and the fault strikes at that call.
    unsigned readsBeforeFault() const { return GetParam() ? 1 : 0; }

    std::unique_ptr<ForeignFolder> foreign;
};

// The medium is pulled: from then on, every read fails.
TEST_P(SourceVanishes, ReadsFailPartway)
{
    const Scenario s = scenario();
    std::string whyNot;
    auto fault = ReadFault::watch(
        source, readsBeforeFault(), [](pid_t) { return false; }, whyNot);
    if (!fault)
        GTEST_SKIP() << whyNot;
    const ChildReport report = repairUnder(std::move(fault), s);
    expectSafeRefusal(report);
}

// Another program cuts the file short while it is being copied: the copy
// cannot be the recording, so the repair must give up, and in bounded time.
TEST_P(SourceVanishes, CutShortDuringCopy)
{
    Scenario s = scenario();
    const std::string kept = buildEdf(recorderFile()).substr(0, 4096);
    s.expectSourceToBecome(kept);
    const fs::path file = source;
    std::string whyNot;
    auto fault = ReadFault::watch(
        file, readsBeforeFault(),
        [file, &kept](pid_t) {
            fs::resize_file(file, kept.size());
            return true;
        },
        whyNot);
    if (!fault)
        GTEST_SKIP() << whyNot;
    const ChildReport report = repairUnder(std::move(fault), s);
    expectSafeRefusal(report);
}

// Another program rewrites the file while it is copied: the copy may mix
// the bytes before and after, so the repair must give up.
TEST_P(SourceVanishes, RewrittenDuringCopy)
{
    Scenario s = scenario();
    std::string rewritten = buildEdf(recorderFile());
    rewritten.back() ^= 1;
    s.expectSourceToBecome(rewritten);
    const fs::path file = source;
    std::string whyNot;
    auto fault = ReadFault::watch(
        file, readsBeforeFault(),
        [file, &rewritten](pid_t) {
            writeBytes(file, rewritten);
            return true;
        },
        whyNot);
    if (!fault)
        GTEST_SKIP() << whyNot;
    const ChildReport report = repairUnder(std::move(fault), s);
    expectSafeRefusal(report, "the source changed while it was copied");
}

INSTANTIATE_TEST_SUITE_P(Faults, SourceVanishes, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return info.param ? "OntoAnotherFileSystem" : "OntoSameFileSystem";
                         });

// --- A copy onto another file system ----------------------------------------

TEST_F(Faults, CopyAcrossFileSystems)
{
    ForeignFolder foreign("/dev/shm", scratch.path());
    if (foreign.root.empty())
        GTEST_SKIP() << foreign.whyNot;
    const fs::path there = foreign.root / "recordingFixed.edf";
    const fs::path back = outFolder / "recordingFixedBack.edf";
    writeBytes(there, earlierDestination);
    // Onto the other file system, replacing an earlier file, and back again.
    for (const auto &[from, to] : {std::make_pair(source, there), std::make_pair(there, back)}) {
        SCOPED_TRACE("from " + from.string() + " to " + to.string());
        // Repairing the repaired copy again changes nothing.
        const ChildReport report = repairInChild(Scenario(from, to, repairedRecording()));
        EXPECT_TRUE(keptPromise(report));
        EXPECT_TRUE(report.repaired) << report.failure;
    }
}

// --- The process ends, or another repair runs, while the copy is made ------

// The programs remove their staging file when a signal ends them, and end
// as the signal would have. SIGKILL cannot be caught: the next repair to the
// same destination removes what it left.
TEST_F(Faults, SignalEndsTheRepairDuringTheCopy)
{
    writeBytes(destination, earlierDestination);
    const Scenario s = scenario();
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
        SCOPED_TRACE(strsignal(signal));
        std::string whyNot;
        auto fault = ReadFault::watch(
            source, 0, [signal](pid_t reader) { return ::kill(reader, signal) == 0; }, whyNot);
        if (!fault)
            GTEST_SKIP() << whyNot;
        ChildReport report = runInChild(
            [&s] {
                installSignalHandlers();
                return repairOnly(s);
            },
            timeLimit, fault.get());
        fault.reset();
        EXPECT_THAT(report.abnormalEnd, HasSubstr(strsignal(signal)));
        if (signal == SIGKILL) // nothing can catch it: the next repair cleans up
            report = repairInChild(s);
        else
            report = ChildReport{true, {}, false, {}, s.check(false), {}};
        EXPECT_TRUE(keptPromise(report));
    }
}

// Many small files, ended while a batch waits to be committed and after an
// earlier batch was: every destination is complete or absent. SIGTERM
// removes every staging file of the batch; after SIGKILL the next run to
// the folder removes what the killed one left.
TEST_F(Faults, KillInTheMiddleOfABatch)
{
    EdfFileSpec repairedSpec = soundFile();
    repairedSpec.prefiltering = repairedSpec.signalReserved = "";
    const std::string small = buildEdf(soundFile()), repaired = buildEdf(repairedSpec);
    const std::size_t files = stagingFilesAtOnce() + stagingFilesAtOnce() / 2;
    const fs::path sources = scratch / "many";
    fs::create_directory(sources);
    std::vector<RepairJob> jobs;
    for (std::size_t i = 0; i < files; ++i) {
        const std::string name = std::to_string(i) + ".edf";
        writeBytes(sources / name, small);
        jobs.push_back({(sources / name).string(), (outFolder / name).string()});
    }
    const fs::path key = scratch / "key.csv";
    const auto run = [&jobs, &key](std::size_t killAt, int signal, bool deidentify = false) {
        return runInChild(
            [&jobs, &key, killAt, signal, deidentify] {
                ChildReport report;
                HeaderRepair repair;
                if (deidentify) {
                    DeidentifyRequest request;
                    request.keyFile = key.string();
                    repair.setDeidentification(request);
                }
                std::size_t repaired = 0, told = 0;
                installSignalHandlers();
                repair.repairAll(
                    jobs, [=](std::size_t i) { return i != killAt || ::raise(signal) != 0; },
                    [&](std::size_t i, const FileOutcome &outcome) {
                        if (i != told++)
                            report.problems.push_back("told of " + std::to_string(i)
                                                      + " out of turn");
                        repaired += outcome.repaired ? 1 : 0;
                    });
                report.repaired = repaired == jobs.size();
                report.completed = true;
                return report;
            },
            timeLimit);
    };
    const auto entries = [this] {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(outFolder), fs::directory_iterator()));
    };
    // Committed in order: complete files first, then none.
    const auto isRepaired = [&repaired](const std::string &path) {
        const PathState state = stateOf(path);
        return state.kind == PathState::file && state.content == repaired;
    };
    // A de-identified copy in place must have its key row, whole.
    const auto keyed = [&key](const std::string &destination) {
        const std::string rows = fs::exists(key) ? readBytes(key) : "";
        return rows.find("\n\"" + destination + "\",") != std::string::npos;
    };
    const std::vector<std::pair<int, bool>> ends{
        {SIGTERM, false}, {SIGKILL, false}, {SIGKILL, true}};
    for (const auto &[signal, deidentify] : ends) {
        SCOPED_TRACE(std::string(strsignal(signal)) + (deidentify ? ", de-identifying" : ""));
        fs::remove_all(outFolder);
        fs::create_directory(outFolder);
        const ChildReport killed = run(files - 2, signal, deidentify);
        EXPECT_THAT(killed.abnormalEnd, HasSubstr(strsignal(signal)));
        std::size_t complete = 0;
        while (complete < files
               && (deidentify ? stateOf(jobs[complete].destination).kind == PathState::file
                              : isRepaired(jobs[complete].destination)))
            ++complete;
        for (std::size_t i = 0; deidentify && i < complete; ++i)
            EXPECT_TRUE(keyed(jobs[i].destination)) << jobs[i].destination << " has no key row";
        if (deidentify) {
            const std::string rows = readBytes(key);
            EXPECT_EQ(rows.back(), '\n');
            EXPECT_EQ(std::count(rows.begin(), rows.end(), '"') % 2, 0) << rows;
        }
        for (std::size_t i = complete; i < files; ++i)
            EXPECT_EQ(stateOf(jobs[i].destination).kind, PathState::absent)
                << jobs[i].destination << " is " << describe(stateOf(jobs[i].destination));
        EXPECT_GT(complete, 0u) << "no batch was committed before the end";
        EXPECT_LT(complete, files - 2) << "the batch under way was committed";
        if (signal == SIGTERM) {
            EXPECT_EQ(entries(), complete) << "staging files left behind";
        } else {
            ASSERT_GT(entries(), complete) << "the killed run left no staging file to remove";
        }
    }

    const ChildReport again = run(files, SIGKILL);
    EXPECT_TRUE(again.repaired) << again.abnormalEnd;
    EXPECT_THAT(again.problems, IsEmpty());
    for (const RepairJob &job : jobs) {
        EXPECT_TRUE(isRepaired(job.destination)) << job.destination;
        EXPECT_EQ(readBytes(job.source), small);
    }
    EXPECT_EQ(entries(), files) << "staging files left behind";
}

// A run into more folders than the process may open at once: a batch holds
// each copy and its folder open, so batches must stay within the limit and
// let their folders go.
TEST_F(Faults, ManyFoldersUnderALowDescriptorLimit)
{
    const std::string small = buildEdf(soundFile());
    std::vector<RepairJob> jobs;
    for (int i = 0; i < 120; ++i) {
        const fs::path folder = outFolder / std::to_string(i);
        fs::create_directory(folder);
        writeBytes(scratch / (std::to_string(i) + ".edf"), small);
        jobs.push_back(
            {(scratch / (std::to_string(i) + ".edf")).string(), (folder / "a.edf").string()});
    }
    const ChildReport report = runInChild(
        [&jobs] {
            ChildReport child;
            const struct rlimit low = {80, 80};
            std::size_t repaired = 0;
            HeaderRepair repair;
            if (::setrlimit(RLIMIT_NOFILE, &low) == 0)
                repair.repairAll(jobs, {}, [&](std::size_t, const FileOutcome &outcome) {
                    repaired += outcome.repaired ? 1 : 0;
                    if (!outcome.repaired)
                        child.failure = describe(outcome.failure);
                });
            child.repaired = repaired == jobs.size();
            child.completed = true;
            return child;
        },
        timeLimit);
    ASSERT_TRUE(report.completed) << report.abnormalEnd;
    EXPECT_TRUE(report.repaired) << report.failure;
}

// With too little address space left for a thread's stack, the batches are
// committed on the caller's thread: every file repaired, nothing left behind.
TEST_F(Faults, NoThreadForTheCommitsUnderALowMemoryLimit)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizer's own mappings do not fit an address space limit";
#endif
    const std::string small = buildEdf(soundFile());
    std::vector<RepairJob> jobs;
    for (std::size_t i = 0; i < stagingFilesAtOnce() + 2; ++i) {
        writeBytes(scratch / (std::to_string(i) + ".edf"), small);
        jobs.push_back({(scratch / (std::to_string(i) + ".edf")).string(),
                        (outFolder / (std::to_string(i) + ".edf")).string()});
    }
    const ChildReport report = runInChild(
        [&jobs] {
            ChildReport child;
            std::size_t repaired = 0;
            HeaderRepair repair;
            long pages = 0;
            std::ifstream("/proc/self/statm") >> pages;
            const rlimit low{static_cast<rlim_t>(pages * ::sysconf(_SC_PAGESIZE)) + (4 << 20),
                             RLIM_INFINITY};
            if (pages == 0 || ::setrlimit(RLIMIT_AS, &low) != 0)
                child.skipped = "no address space limit to set";
            else
                repair.repairAll(jobs, {}, [&](std::size_t, const FileOutcome &outcome) {
                    repaired += outcome.repaired ? 1 : 0;
                    child.failure = describe(outcome.failure);
                });
            child.repaired = repaired == jobs.size();
            child.completed = true;
            return child;
        },
        timeLimit);
    if (!report.skipped.empty())
        GTEST_SKIP() << report.skipped;
    ASSERT_TRUE(report.completed) << report.abnormalEnd;
    EXPECT_TRUE(report.repaired) << report.failure;
    EXPECT_EQ(static_cast<std::size_t>(
                  std::distance(fs::directory_iterator(outFolder), fs::directory_iterator())),
              jobs.size());
}

// A repair to the same destination started while another still copies
// leaves the other's staging file alone: both complete.
TEST_F(Faults, TwoRepairsToOneDestinationAtOnce)
{
    const fs::path otherSource = scratch / "other.edf";
    writeBytes(otherSource, buildEdf(recorderFile()));
    const Scenario s = scenario();
    ChildReport other;
    std::string whyNot;
    auto fault = ReadFault::watch(
        source, 0,
        [&](pid_t) {
            other = repairInChild(Scenario(otherSource, destination, repairedRecording()));
            return true;
        },
        whyNot);
    if (!fault)
        GTEST_SKIP() << whyNot;
    ChildReport report = runInChild([&s] { return repairOnly(s); }, timeLimit, fault.get());
    fault.reset();
    report.problems = s.check(report.repaired);
    EXPECT_TRUE(keptPromise(report));
    EXPECT_TRUE(report.repaired) << report.failure;
    EXPECT_TRUE(other.repaired) << other.failure;
}

// Missing folders below the destination folder are made from the open folder
// above them; a link among them is refused, and nothing is made beyond it.
TEST_F(Faults, FoldersBelowTheDestinationAreMadeButNeverThroughALink)
{
    const fs::path elsewhere = scratch / "elsewhere";
    fs::create_directory(elsewhere);
    fs::create_directory_symlink(elsewhere, outFolder / "link");
    HeaderRepair repair;
    repair.setDestinationRoot(outFolder.string());
    const fs::path made = outFolder / "new/deeper/a.edf";
    EXPECT_TRUE(repair.repairFile({source.string(), made.string()}).repaired);
    EXPECT_EQ(readBytes(made), repairedRecording());
    const FileOutcome through
        = repair.repairFile({source.string(), (outFolder / "link/new/a.edf").string()});
    EXPECT_FALSE(through.repaired);
    EXPECT_THAT(describe(through.failure), HasSubstr("nothing is written through it"));
    EXPECT_TRUE(fs::is_empty(elsewhere));
}

// The destination folder's path swapped for a link between batches: the run
// goes on into the folder it opened at its start, and nothing goes elsewhere.
TEST_F(Faults, DestinationFolderSwappedForALinkMidRun)
{
    const std::string small = buildEdf(soundFile());
    const fs::path elsewhere = scratch / "elsewhere", moved = scratch / "moved";
    fs::create_directory(elsewhere);
    std::vector<RepairJob> jobs;
    for (std::size_t i = 0; i < stagingFilesAtOnce() + 2; ++i) {
        writeBytes(scratch / (std::to_string(i) + ".edf"), small);
        jobs.push_back({(scratch / (std::to_string(i) + ".edf")).string(),
                        (outFolder / (std::to_string(i) + ".edf")).string()});
    }
    HeaderRepair repair;
    repair.setDestinationRoot(outFolder.string());
    std::size_t repaired = 0;
    repair.repairAll(
        jobs,
        [&](std::size_t i) {
            if (i == BatchLimits(stagingFilesAtOnce()).mostFiles()) { // the second batch
                fs::rename(outFolder, moved);
                fs::create_directory_symlink(elsewhere, outFolder);
            }
            return true;
        },
        [&](std::size_t, const FileOutcome &outcome) { repaired += outcome.repaired ? 1 : 0; });
    EXPECT_EQ(repaired, jobs.size());
    EXPECT_TRUE(fs::is_empty(elsewhere));
    EXPECT_EQ(static_cast<std::size_t>(
                  std::distance(fs::directory_iterator(moved), fs::directory_iterator())),
              jobs.size());
}

// Another run's staging file, made after this run began, may not be locked
// yet: this run's sweep leaves it, and removes only a leftover older than it.
TEST_F(Faults, TheSweepLeavesStagingFilesYoungerThanTheRun)
{
    const auto staging = [this](const char *digits) {
        return outFolder
            / ("." + destination.filename().string() + "." + digits + ".velmorant-part");
    };
    writeBytes(staging("0000aaaa"), "left by a run that died");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    StagingRun run;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    writeBytes(staging("0000bbbb"), "made by a run that has not locked it yet");
    StagedCopy copy(destination, run);
    std::string reason;
    ASSERT_TRUE(copy.copyFrom(source, reason)) << reason;
    EXPECT_FALSE(fs::exists(staging("0000aaaa")));
    EXPECT_TRUE(fs::exists(staging("0000bbbb")));
}

// --- Names at the system's limits -------------------------------------------

TEST_F(Faults, LongestNameAndAPathNearPathMax)
{
    fs::path deep = outFolder;
    while (deep.native().size() < PATH_MAX - NAME_MAX)
        deep /= std::string(200, 'd');
    fs::create_directories(deep);
    const fs::path longestName = outFolder / (std::string(NAME_MAX - 4, 'n') + ".edf");
    const fs::path longestPath = deep / std::string(PATH_MAX - 2 - deep.native().size(), 'p');
    for (const fs::path &target : {longestName, longestPath}) {
        const ChildReport report = repairInChild(Scenario(source, target, repairedRecording()));
        EXPECT_TRUE(keptPromise(report));
        EXPECT_TRUE(report.repaired) << report.failure;
    }
}

// --- The report cannot be written -------------------------------------------

TEST_F(Faults, OutputThatCannotBeWrittenFailsTheRun)
{
    const std::string edf = source.string();
    const std::pair<std::vector<std::string>, std::string> runs[] = {
        {{"--check", edf}, ""},
        {{"--check", "--json", edf}, ""},
        {{edf, destination.string()}, ""},
        {{"--version"}, "/dev/full"},
    };
    for (const auto &[arguments, errorsTo] : runs) {
        SCOPED_TRACE(arguments.front());
        const ProgramRun run = runProgram(VELMORANT_CLI, arguments, "/dev/full", errorsTo);
        EXPECT_EQ(run.exitCode, 3);
        if (errorsTo.empty()) {
            EXPECT_THAT(run.err, HasSubstr("No space left on device"));
        }
    }
}

} // namespace
