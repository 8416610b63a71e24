#include "tests/repair/fault_harness.h"

#include "edf/wording/failure_text.h"
#include "repair/engine/header_repair.h"
#include "tests/support/edf_test_files.h"
#include "tests/support/scratch_dir.h"

#include <filesystem>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sstream>
#include <sys/fanotify.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace velmorant;

PathState stateOf(const fs::path &path)
{
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    PathState state;
    if (error || !fs::exists(status))
        return state;
    if (fs::is_symlink(status)) {
        state.kind = PathState::symlink;
        state.content = fs::read_symlink(path, error).string();
    } else if (fs::is_regular_file(status)) {
        state.kind = PathState::file;
        state.content = readBytes(path);
    } else if (fs::is_directory(status)) {
        state.kind = PathState::directory;
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(path))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        for (const auto &name : names)
            state.content += name + "/";
    } else {
        state.kind = PathState::other;
    }
    return state;
}

std::string describe(const PathState &state)
{
    switch (state.kind) {
    case PathState::absent:
        return "nothing";
    case PathState::file:
        return "a file of " + std::to_string(state.content.size()) + " bytes";
    case PathState::directory:
        return "a folder holding [" + state.content + "]";
    case PathState::symlink:
        return "a link to " + state.content;
    case PathState::other:
        break;
    }
    return "something that is neither file, folder nor link";
}

namespace {

bool operator==(const PathState &a, const PathState &b)
{
    return a.kind == b.kind && a.content == b.content;
}

std::vector<std::string> folderEntries(const fs::path &folder, bool &exists)
{
    std::vector<std::string> names;
    std::error_code error;
    exists = fs::is_directory(folder, error);
    if (!exists)
        return names;
    for (const auto &entry : fs::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

Scenario::Scenario(fs::path source, fs::path destination, std::string expectedRepair)
    : source(std::move(source)), destination(std::move(destination)),
      expectedRepair(std::move(expectedRepair)), sourceBefore(stateOf(this->source)),
      destinationBefore(stateOf(this->destination)),
      folderBefore(folderEntries(this->destination.parent_path(), folderExisted))
{ }

void Scenario::expectSourceToBecome(const std::string &bytes)
{
    sourceBefore = PathState{PathState::file, bytes};
}

std::vector<std::string> Scenario::check(bool repaired) const
{
    std::vector<std::string> problems;
    const PathState sourceAfter = stateOf(source);
    if (!(sourceAfter == sourceBefore))
        problems.push_back("the source was " + describe(sourceBefore) + " and is now "
                           + describe(sourceAfter));

    const PathState destinationAfter = stateOf(destination);
    if (repaired) {
        if (!(destinationAfter == PathState{PathState::file, expectedRepair}))
            problems.push_back("the repair succeeded but the destination is "
                               + describe(destinationAfter) + ", not the repaired copy of "
                               + std::to_string(expectedRepair.size()) + " bytes");
    } else if (!(destinationAfter == destinationBefore)) {
        problems.push_back("the repair failed but the destination went from "
                           + describe(destinationBefore) + " to " + describe(destinationAfter));
    }

    bool folderExists = false;
    const auto folderAfter = folderEntries(destination.parent_path(), folderExists);
    if (folderExists != folderExisted)
        problems.push_back(folderExists ? "the destination folder was created"
                                        : "the destination folder vanished");
    std::vector<std::string> allowed = folderBefore;
    if (repaired)
        allowed.push_back(destination.filename().string());
    for (const auto &name : folderAfter) {
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end())
            problems.push_back("left behind in the destination folder: " + name);
    }
    for (const auto &name : folderBefore) {
        if (std::find(folderAfter.begin(), folderAfter.end(), name) == folderAfter.end())
            problems.push_back("removed from the destination folder: " + name);
    }
    return problems;
}

ChildReport repairOnly(const Scenario &scenario)
{
    HeaderRepair repair;
    ChildReport report;
    const FileOutcome outcome
        = repair.repairFile({scenario.source.string(), scenario.destination.string()});
    report.repaired = outcome.repaired;
    if (!report.repaired)
        report.failure = describe(outcome.failure);
    report.completed = true;
    return report;
}

ChildReport repairAndCheck(const Scenario &scenario)
{
    ChildReport report = repairOnly(scenario);
    report.problems = scenario.check(report.repaired);
    return report;
}

namespace {

// One line per item, "key<TAB>text"; texts never hold a line break.
std::string oneLine(std::string text)
{
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

std::string serialize(const ChildReport &report)
{
    std::string out = "completed\t\n";
    if (!report.skipped.empty())
        out += "skipped\t" + oneLine(report.skipped) + "\n";
    out += std::string("repaired\t") + (report.repaired ? "1" : "0") + "\n";
    out += "failure\t" + oneLine(report.failure) + "\n";
    for (const auto &problem : report.problems)
        out += "problem\t" + oneLine(problem) + "\n";
    return out;
}

ChildReport parse(const std::string &text)
{
    ChildReport report;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto tab = line.find('\t');
        const std::string key = line.substr(0, tab);
        const std::string value = tab == std::string::npos ? "" : line.substr(tab + 1);
        if (key == "completed")
            report.completed = true;
        else if (key == "skipped")
            report.skipped = value;
        else if (key == "repaired")
            report.repaired = value == "1";
        else if (key == "failure")
            report.failure = value;
        else if (key == "problem")
            report.problems.push_back(value);
    }
    return report;
}

void writeAll(int fd, const std::string &text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

[[noreturn]] void runChild(int reportFd, const std::function<ChildReport()> &body,
                           unsigned timeLimitSeconds)
{
    std::signal(SIGALRM, SIG_DFL);
    ::alarm(timeLimitSeconds);
    ChildReport report;
    try {
        report = body();
    } catch (const std::exception &e) {
        report.problems.push_back(std::string("exception: ") + e.what());
    }
    writeAll(reportFd, serialize(report));
    ::close(reportFd);
    // Skip destructors and leak checks: the parent owns everything shared.
    ::_exit(0);
}

std::string howItEnded(int status)
{
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        if (signal == SIGALRM)
            return "the child did not finish within its time limit (it hangs)";
        return std::string("the child was killed by signal ") + strsignal(signal);
    }
    return "the child exited with status " + std::to_string(WEXITSTATUS(status))
        + " without a report";
}

} // namespace

ChildReport runInChild(const std::function<ChildReport()> &body, unsigned timeLimitSeconds,
                       ParentDuty *duty)
{
    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0)
        return ChildReport{false, {}, false, {}, {}, std::string("pipe: ") + strerror(errno)};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        runChild(channel[1], body, timeLimitSeconds);
    }
    ::close(channel[1]);
    if (child < 0) {
        ::close(channel[0]);
        return ChildReport{false, {}, false, {}, {}, std::string("fork: ") + strerror(errno)};
    }

    std::string text;
    for (;;) {
        pollfd watched[2] = {{channel[0], POLLIN, 0}, {duty ? duty->fd() : -1, POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (watched[1].revents & POLLIN)
            duty->serve();
        if (watched[0].revents & (POLLIN | POLLHUP)) {
            char buffer[4096];
            const ssize_t n = ::read(channel[0], buffer, sizeof buffer);
            if (n <= 0)
                break;
            text.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(channel[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    ChildReport report = parse(text);
    if (!report.completed)
        report.abnormalEnd = howItEnded(status);
    return report;
}

std::unique_ptr<ReadFault> ReadFault::watch(const fs::path &file, unsigned readsBefore,
                                            Strike strike, std::string &whyNot)
{
    const int fd = ::fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY | O_LARGEFILE);
    if (fd < 0) {
        whyNot = std::string("fanotify_init: ") + strerror(errno);
        return nullptr;
    }
    if (::fanotify_mark(fd, FAN_MARK_ADD, FAN_ACCESS_PERM, AT_FDCWD, file.c_str()) != 0) {
        whyNot = std::string("fanotify_mark(FAN_ACCESS_PERM): ") + strerror(errno);
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<ReadFault>(new ReadFault(fd, readsBefore, std::move(strike)));
}

ReadFault::ReadFault(int notifyFd, unsigned readsBefore, Strike strike)
    : notifyFd(notifyFd), readsBefore(readsBefore), strike(std::move(strike))
{ }

ReadFault::~ReadFault()
{
    ::close(notifyFd);
}

void ReadFault::serve()
{
    alignas(fanotify_event_metadata) char buffer[4096];
    const ssize_t n = ::read(notifyFd, buffer, sizeof buffer);
    if (n <= 0)
        return;
    auto *event = reinterpret_cast<fanotify_event_metadata *>(buffer);
    for (ssize_t left = n; FAN_EVENT_OK(event, left); event = FAN_EVENT_NEXT(event, left)) {
        if (++reads == readsBefore + 1)
            allowReads = strike(event->pid);
        const fanotify_response answer{event->fd,
                                       static_cast<__u32>(allowReads ? FAN_ALLOW : FAN_DENY)};
        writeAll(notifyFd, std::string(reinterpret_cast<const char *>(&answer), sizeof answer));
        if (event->fd >= 0)
            ::close(event->fd);
    }
}

bool enterPrivateMounts(std::string &whyNot)
{
    if (::unshare(CLONE_NEWNS) != 0) {
        whyNot = std::string("unshare(CLONE_NEWNS): ") + strerror(errno);
        return false;
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        whyNot = std::string("making mounts private: ") + strerror(errno);
        return false;
    }
    return true;
}
