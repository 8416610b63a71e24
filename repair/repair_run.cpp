#include "header_repair.h"

#include "file_system.h"
#include "staged_copy.h"

#include <algorithm>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace velmorant {

namespace {

// A batch ends at this many bytes, so that a cancel or a failure waits for
// little, and at stagingFilesAtOnce() files, which bounds open descriptors.
constexpr std::uintmax_t batchBytes = std::uintmax_t(128) << 20;

} // namespace

// A staged file waiting for its batch to be committed, with what its
// callers are to be told.
struct HeaderRepair::PendingFile {
    std::size_t index = 0;
    std::unique_ptr<StagedCopy> copy; // none once the file failed
    fs::path destination;
    RepairFailure failure;
    RepairPreview preview;
    Deidentification deidentified;
    FileCheck checked;
};

std::size_t HeaderRepair::repairAll(const std::vector<RepairJob> &jobs, const BeforeFile &before,
                                    const AfterFile &after)
{
    StagingRun run;
    std::vector<PendingFile> batch;
    std::uintmax_t batchSize = 0;
    std::size_t begun = 0;
    for (; begun < jobs.size() && (!before || before(begun)); ++begun) {
        PendingFile file;
        file.index = begun;
        if (!stageRepair(jobs[begun], run, file.copy, file.destination))
            file.copy.reset(); // its staging file goes now
        file.failure = failure;
        file.preview = std::move(repaired);
        file.deidentified = std::move(deidentified);
        file.checked = std::move(checked);
        // Written already; the batch keeps only what the callers are told.
        for (RepairPreview *kept : {&file.preview, &file.checked.preview, &file.checked.thorough})
            std::string().swap(kept->header);
        batchSize += file.copy ? file.copy->size() : 0;
        batch.push_back(std::move(file));
        if (batch.size() >= stagingFilesAtOnce() || batchSize >= batchBytes) {
            finishBatch(batch, after);
            run.endBatch();
            batchSize = 0;
        }
    }
    finishBatch(batch, after);
    return begun;
}

// Every copy of the batch is already on its way to the disk. Several copies
// are put on disk by syncing their file system once, a single one by its own
// fsync; either way, no copy is renamed before its bytes are on disk.
void HeaderRepair::finishBatch(std::vector<PendingFile> &batch, const AfterFile &after)
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
        if (!commitStaged(*file.copy, file.destination, synced.first->second)) {
            file.failure = failure;
            file.preview = RepairPreview{};
            file.deidentified = Deidentification{};
            file.checked = FileCheck{};
            file.copy.reset();
        }
    }
    std::set<const StagingFolder *> synced;
    for (const PendingFile &file : batch)
        if (file.copy && synced.insert(&file.copy->folder()).second)
            file.copy->folder().sync();
    for (PendingFile &file : batch) {
        failure = file.failure;
        repaired = std::move(file.preview);
        deidentified = std::move(file.deidentified);
        checked = std::move(file.checked);
        const bool done = file.copy != nullptr;
        // Closed first: Windows lets no one else open a file still held so.
        file.copy.reset();
        if (after)
            after(file.index, done);
    }
    batch.clear();
}

} // namespace velmorant
