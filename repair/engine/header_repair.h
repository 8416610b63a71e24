#pragma once

#include "edf/repair/header_review.h"
#include "edf/repair/repair_preview.h"
#include "repair/copy/copy_progress.h"
#include "repair/deidentify/deidentified_copy.h"
#include "repair/engine/file_outcome.h"
#include "repair/plan/repair_job.h"

#include <filesystem>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmorant {

class StagingRun;
class StagedCopy;

// Copies one EDF recording and repairs the copy's header. The source is only
// ever read. The destination appears only when the whole repair succeeded;
// otherwise what was there before stays untouched.
class HeaderRepair
{
public:
    HeaderRepair() = default;
    virtual ~HeaderRepair() = default;
    HeaderRepair(const HeaderRepair &) = delete;
    HeaderRepair &operator=(const HeaderRepair &) = delete;

    // Both paths are UTF-8 text. True when the destination holds the repaired copy.
    bool repairHeader(const std::string &source, const std::string &destination);
    // As repairHeader, and what became of the file.
    FileOutcome repairFile(const RepairJob &job);

    // Told before file `index` is begun; false ends the run there.
    using BeforeFile = std::function<bool(std::size_t index)>;
    // Told of each file begun, in order, once its outcome is final.
    using AfterFile = std::function<void(std::size_t index, const FileOutcome &outcome)>;
    // Repairs the files in order, each as repairHeader would, but lets the
    // writes of many overlap: a batch of files is staged, then each is put
    // on disk and renamed, in order, and each folder synced once, on a
    // thread of its own while the next batch is staged. A failure, a cancel
    // or the end of the process leaves every destination complete or as it
    // was. The callbacks are called on the caller's thread. Returns how many
    // files were begun (repair_run.cpp).
    std::size_t repairAll(const std::vector<RepairJob> &jobs, const BeforeFile &before,
                          const AfterFile &after);

    // Told how far each following repair's copy has got. When it returns
    // false that repair fails as cancelled, leaving nothing behind.
    void setCopyProgress(CopyProgress progress) { copyProgress = std::move(progress); }
    // The usual repair unless told otherwise; the window keeps the usual one.
    void setMode(RepairMode newMode) { mode = newMode; }
    // The folder the user named as the run's destination (UTF-8): nothing
    // below it is reached through a link, and it is opened once for the run.
    void setDestinationRoot(std::string root) { destinationRoot = std::move(root); }
    // After the repair and before the commit, clear the copy's identity.
    void setDeidentification(std::optional<DeidentifyRequest> request)
    {
        deidentify = std::move(request);
    }

protected:
    std::FILE *edfFile = nullptr;
    char edfHeader[256];

private:
    // The names in the source's and the destination's paths.
    using FileNames = std::vector<std::string>;
    struct PendingFile;
    class CommittingBatch;

    // repair_run.cpp: the batches.
    static void commitBatch(std::vector<PendingFile> &batch);
    static void reportBatch(std::vector<PendingFile> &batch, const AfterFile &after);
    void writeKeyRows(std::vector<PendingFile> &batch, const std::vector<RepairJob> &jobs) const;
    static RepairFailure commitStaged(StagedCopy &copy, const std::filesystem::path &destination,
                                      bool fileSystemSynced);

    // header_repair.cpp: the steps of one file.
    bool stageRepair(const RepairJob &job, StagingRun &run, std::unique_ptr<StagedCopy> &copy,
                     std::filesystem::path &destination, FileOutcome &outcome);
    bool stageAndRepair(const std::filesystem::path &source,
                        const std::filesystem::path &destination, StagingRun &run,
                        std::unique_ptr<StagedCopy> &copy, FileOutcome &outcome);
    bool copyStaged(StagedCopy &copy, const std::filesystem::path &source, RepairFailure &failure);
    bool repairCopy(StagedCopy &copy, const FileNames &names, FileOutcome &outcome);
    bool repairOpenCopy(std::uintmax_t fileSize, const FileNames &names, FileOutcome &outcome);
    bool closeEdfFile();
    static bool fail(RepairFailure &failure, RepairStep step, std::string reason = {});
    // With errno's reason, where it has one.
    static bool failWithSystemReason(RepairFailure &failure, RepairStep step);

    // copy_patch.cpp: the header's patch in the open copy.
    bool readHeader(std::string &header, RepairFailure &failure);
    bool patchOpenCopy(const std::string &header, std::uintmax_t fileSize, RepairPreview &preview,
                       RepairFailure &failure);
    bool restoreData(const TransferDamage &damage, std::size_t headerBytes, RepairFailure &failure);
    bool walkRestoredRecords(const std::string &header, std::uintmax_t restoredSize,
                             RepairPreview &preview, RepairFailure &failure);
    bool writeHeader(const std::string &header, RepairFailure &failure);
    bool shortenTo(std::uintmax_t size, RepairFailure &failure);

    CopyProgress copyProgress;
    RepairMode mode = RepairMode::usual;
    std::optional<DeidentifyRequest> deidentify;
    std::string destinationRoot;
};

} // namespace velmorant
