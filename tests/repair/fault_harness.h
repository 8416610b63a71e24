#pragma once

#include <filesystem>

#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

// Tools for injecting real faults around one repair and for judging what the
// repair left behind. Faults that change the process (limits, mounts, user)
// run in a forked child, so the test process itself stays as it was.

// What is at a path, without following a final link.
struct PathState {
    enum Kind { absent, file, directory, symlink, other } kind = absent;
    std::string content; // file bytes, folder entries or link target
};
PathState stateOf(const std::filesystem::path &path);
std::string describe(const PathState &state);

// The files a repair may touch, as they were before it ran. check() lists
// every way in which the state afterwards breaks our promise: the source is
// byte for byte unchanged, nothing is left behind in the destination's
// folder, and the destination holds either the complete repaired copy
// (only if the repair said so) or exactly what it held before.
class Scenario
{
public:
    Scenario(std::filesystem::path source, std::filesystem::path destination,
             std::string expectedRepair);

    const std::filesystem::path source;
    const std::filesystem::path destination;

    // For a source that the fault itself changes on purpose.
    void expectSourceToBecome(const std::string &bytes);

    std::vector<std::string> check(bool repaired) const;

private:
    std::string expectedRepair;
    PathState sourceBefore;
    PathState destinationBefore;
    bool folderExisted = false; // set while folderBefore is read
    std::vector<std::string> folderBefore;
};

// What a child process reports about its run.
struct ChildReport {
    bool completed = false; // the child ran to its end and reported
    std::string skipped; // why the fault could not be set up here
    bool repaired = false;
    std::string failure; // the repair's own reason for returning false
    std::vector<std::string> problems;
    std::string abnormalEnd; // signal or exit status when not completed
};

// Runs one repair and checks the scenario; what a child body usually does.
ChildReport repairAndCheck(const Scenario &scenario);
// Runs one repair only, for a parent that must check after the fault is gone.
ChildReport repairOnly(const Scenario &scenario);

// Something the parent serves while the child runs (for instance answering
// file access events); fd() becomes readable when it has work.
class ParentDuty
{
public:
    virtual ~ParentDuty() = default;
    virtual int fd() const = 0;
    virtual void serve() = 0;
};

// Forks, runs body in the child under a time limit and returns its report.
// A child that hangs is killed by SIGALRM and reported as not completed.
ChildReport runInChild(const std::function<ChildReport()> &body, unsigned timeLimitSeconds,
                       ParentDuty *duty = nullptr);

// Reads of one file block until this process answers them (fanotify
// permission events). The first readsBefore reads pass; at the next one,
// strike runs, given the reading process, and says whether that read and all
// later ones are allowed. Needs CAP_SYS_ADMIN; null with the reason otherwise.
class ReadFault : public ParentDuty
{
public:
    using Strike = std::function<bool(pid_t reader)>;
    static std::unique_ptr<ReadFault> watch(const std::filesystem::path &file, unsigned readsBefore,
                                            Strike strike, std::string &whyNot);
    ~ReadFault() override;
    int fd() const override { return notifyFd; }
    void serve() override;
    bool struck() const { return reads > readsBefore; }

private:
    ReadFault(int notifyFd, unsigned readsBefore, Strike strike);
    int notifyFd;
    unsigned readsBefore;
    Strike strike;
    unsigned reads = 0;
    bool allowReads = true;
};

// The child enters a mount namespace of its own, so that mounts vanish with
// it. False with the reason when the system does not allow it.
bool enterPrivateMounts(std::string &whyNot);
