#include "repair/engine/header_repair.h"

#include "repair/deidentify/key_file.h"
#include "repair/engine/batch_limits.h"
#include "repair/engine/path_refusals.h"
#include "repair/platform/file_names.h"
#include "repair/platform/signal_cleanup.h"
#include "repair/platform/staging_file.h"
#include "repair/staging/staged_copy.h"

#include <algorithm>
#include <exception>
#include <map>
#include <set>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

namespace fs = std::filesystem;

namespace velmorant {

// A staged file waiting for its batch to be committed, with what its
// callers are to be told.
struct HeaderRepair::PendingFile {
    std::size_t index = 0;
    std::unique_ptr<StagedCopy> copy; // none once the file failed
    fs::path destination;
    FileOutcome outcome;
};

// The batch being committed on a thread of its own while the next one is
// staged, so that waiting for the disk overlaps with the work of copying.
class HeaderRepair::CommittingBatch
{
public:
    ~CommittingBatch() { wait(); }

    // Only once the batch before has been taken back.
    void start(std::vector<PendingFile> &staged)
    {
        files.swap(staged);
        try {
            committer = std::thread([this] {
                leaveEndingSignalsToOtherThreads();
                commit();
            });
        } catch (const std::system_error &) {
            // No thread to be had (a process limit, little address space):
            // the batch is committed here, only without the overlap.
            commit();
        }
    }
    // What is thrown there is thrown here, on the caller's thread.
    std::vector<PendingFile> &finished()
    {
        wait();
        if (thrown)
            std::rethrow_exception(std::exchange(thrown, nullptr));
        return files;
    }

private:
    void commit()
    {
        try {
            commitBatch(files);
        } catch (...) {
            thrown = std::current_exception();
        }
    }

    void wait()
    {
        if (committer.joinable())
            committer.join();
    }

    std::vector<PendingFile> files;
    std::thread committer;
    std::exception_ptr thrown;
};

std::size_t HeaderRepair::repairAll(const std::vector<RepairJob> &jobs, const BeforeFile &before,
                                    const AfterFile &after)
{
    StagingRun run;
    try {
        if (!destinationRoot.empty())
            run.openRoot(toFsPath(destinationRoot));
    } catch (const std::range_error &) { } // each file fails on its path
    // Where only one staging file may be open at once, each file is
    // committed before the next is begun.
    const std::size_t atOnce = stagingFilesAtOnce();
    const bool overlapping = atOnce >= 2;
    BatchLimits limits(atOnce);
    std::vector<PendingFile> batch;
    batch.reserve(std::min(limits.mostFiles(), jobs.size()));
    CommittingBatch committing;
    std::size_t begun = 0;
    for (; begun < jobs.size() && (!before || before(begun)); ++begun) {
        PendingFile &file = batch.emplace_back();
        file.index = begun;
        if (!stageRepair(jobs[begun], run, file.copy, file.destination, file.outcome))
            file.copy.reset(); // its staging file goes now
        // Written already; the batch keeps only what the callers are told.
        FileOutcome &told = file.outcome;
        for (RepairPreview *kept : {&told.repair, &told.check.preview, &told.check.thorough}) {
            std::string().swap(kept->header);
            kept->headerFindings.reset();
        }
        told.repair.changes.shrink_to_fit();
        if (!limits.endsWith(file.copy ? file.copy->size() : 0, told.repair.changes.size()))
            continue;
        reportBatch(committing.finished(), after);
        run.endBatch();
        writeKeyRows(batch, jobs);
        if (overlapping) {
            committing.start(batch);
        } else {
            commitBatch(batch);
            reportBatch(batch, after);
        }
    }
    reportBatch(committing.finished(), after);
    writeKeyRows(batch, jobs);
    commitBatch(batch);
    reportBatch(batch, after);
    return begun;
}

// Without its row a de-identified copy cannot be traced back: the batch's
// rows go on disk at once, before any of its copies is put in place, and a
// copy whose row is not there is never put in place.
void HeaderRepair::writeKeyRows(std::vector<PendingFile> &batch,
                                const std::vector<RepairJob> &jobs) const
{
    if (!deidentify || deidentify->keyFile.empty())
        return;
    std::string rows;
    for (const PendingFile &file : batch)
        if (file.copy)
            rows += keyRow(jobs[file.index].destination, jobs[file.index].source,
                           file.outcome.deidentified);
    std::string reason;
    if (rows.empty() || appendToPrivateFile(deidentify->keyFile, keyHeading(), rows, reason))
        return;
    for (PendingFile &file : batch)
        if (file.copy) {
            file.copy.reset();
            file.outcome = FileOutcome{};
            file.outcome.failure = {RepairStep::keyNotWritten, deidentify->keyFile, {}, reason};
        }
}

// Every copy of the batch is already on its way to the disk. Several copies
// are put on disk by syncing their file system once, a single one by its own
// fsync; either way, no copy is renamed before its bytes are on disk. Touches
// nothing but the batch: it may run on a thread of its own.
void HeaderRepair::commitBatch(std::vector<PendingFile> &batch)
{
    const bool several = std::count_if(batch.begin(), batch.end(),
                                       [](const PendingFile &f) { return f.copy != nullptr; })
        > 1;
    std::map<std::uintmax_t, bool> fileSystemSynced;
    for (PendingFile &file : batch) {
        if (!file.copy)
            continue;
        const auto synced = fileSystemSynced.emplace(file.copy->folder().fileSystem(), false);
        if (synced.second && several)
            synced.first->second = file.copy->syncFileSystem();
        RepairFailure refused = commitStaged(*file.copy, file.destination, synced.first->second);
        if (refused.step != RepairStep::none) {
            file.copy.reset();
            file.outcome = FileOutcome{};
            file.outcome.failure = std::move(refused);
        }
    }
    std::set<const StagingFolder *> synced;
    for (const PendingFile &file : batch)
        if (file.copy && synced.insert(&file.copy->folder()).second)
            file.copy->folder().sync();
}

// Touches nothing but its arguments: it may run on a thread of its own.
RepairFailure HeaderRepair::commitStaged(StagedCopy &copy, const fs::path &destination,
                                         bool fileSystemSynced)
{
    RepairFailure refused = destinationRefusal(destination);
    if (refused.step != RepairStep::none)
        return refused;
    std::string reason;
    if (!copy.commit(reason, fileSystemSynced))
        return {RepairStep::commit, {}, {}, reason};
    return {};
}

// Tells the callers of each file of a committed batch, in order.
void HeaderRepair::reportBatch(std::vector<PendingFile> &batch, const AfterFile &after)
{
    for (PendingFile &file : batch) {
        file.outcome.repaired = file.copy != nullptr;
        // Closed first: Windows lets no one else open a file still held so.
        file.copy.reset();
        if (after)
            after(file.index, file.outcome);
    }
    batch.clear();
}

} // namespace velmorant
