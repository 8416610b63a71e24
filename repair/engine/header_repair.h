#pragma once

#include "edf/format/edf_header.h"
#include "edf/repair/header_review.h"
#include "edf/repair/repair_failure.h"
#include "edf/repair/repair_preview.h"
#include "repair/deidentify/deidentified_copy.h"
#include "repair/engine/copy_progress.h"

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

// One file of a run, both paths UTF-8 text.
struct RepairJob {
    std::string source;
    std::string destination;
};

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

    // Told before file `index` is begun; false ends the run there.
    using BeforeFile = std::function<bool(std::size_t index)>;
    // Told of each file begun, in order, once its outcome is final;
    // lastFailure and lastRepair describe that file meanwhile.
    using AfterFile = std::function<void(std::size_t index, bool repaired)>;
    // Repairs the files in order, each as repairHeader would, but lets the
    // writes of many overlap: a batch of files is staged, then each is put
    // on disk and renamed, in order, and each folder synced once, on a
    // thread of its own while the next batch is staged. A failure, a cancel
    // or the end of the process leaves every destination complete or as it
    // was. The callbacks are called on the caller's thread. Returns how many
    // files were begun (repair_run.cpp).
    std::size_t repairAll(const std::vector<RepairJob> &jobs, const BeforeFile &before,
                          const AfterFile &after);

    // Why the last repairHeader returned false.
    const RepairFailure &lastFailure() const { return failure; }

    // Told how far each following repair's copy has got. When it returns
    // false that repair fails as cancelled, leaving nothing behind.
    void setCopyProgress(CopyProgress progress) { copyProgress = std::move(progress); }
    // The usual repair unless told otherwise; the window keeps the usual one.
    void setMode(RepairMode newMode) { mode = newMode; }
    // What the last successful repairHeader changed, and how much of the file it kept.
    const RepairPreview &lastRepair() const { return repaired; }
    // After the repair and before the commit, clear the copy's identity.
    void setDeidentification(std::optional<DeidentifyRequest> request)
    {
        deidentify = std::move(request);
    }
    const Deidentification &lastDeidentification() const { return deidentified; }
    // What the check finds in the last repaired copy as it was written
    // (its first and last records of EDF+ read), so that a caller need not
    // read it again to warn of what the repair could not set right.
    const FileCheck &lastCheck() const { return checked; }

protected:
    std::FILE *edfFile = nullptr;
    char edfHeader[256];

private:
    struct PendingFile;
    class CommittingBatch;

    // repair_run.cpp: the batches.
    static void commitBatch(std::vector<PendingFile> &batch);
    void reportBatch(std::vector<PendingFile> &batch, const AfterFile &after);
    static RepairFailure commitStaged(StagedCopy &copy, const std::filesystem::path &destination,
                                      bool fileSystemSynced);

    // header_repair.cpp: the steps of one file.
    bool stageRepair(const RepairJob &job, StagingRun &run, std::unique_ptr<StagedCopy> &copy,
                     std::filesystem::path &destination);
    bool stageAndRepair(const std::filesystem::path &source,
                        const std::filesystem::path &destination, StagingRun &run,
                        std::unique_ptr<StagedCopy> &copy);
    bool copyStaged(StagedCopy &copy, const std::filesystem::path &source);
    bool repairCopy(StagedCopy &copy);
    bool repairOpenCopy(std::uintmax_t fileSize);
    bool closeEdfFile();
    bool fail(RepairStep step, std::string reason = {});
    // With errno's reason, where it has one.
    bool failWithSystemReason(RepairStep step);

    // copy_patch.cpp: the header's patch in the open copy.
    bool readHeader(std::string &header);
    bool patchOpenCopy(const std::string &header, std::uintmax_t fileSize, RepairPreview &preview);
    bool restoreData(const TransferDamage &damage, std::size_t headerBytes);
    bool walkRestoredRecords(const std::string &header, std::uintmax_t restoredSize,
                             RepairPreview &preview);
    bool writeHeader(const std::string &header);
    bool shortenTo(std::uintmax_t size);

    RepairFailure failure;
    CopyProgress copyProgress;
    RepairMode mode = RepairMode::usual;
    RepairPreview repaired;
    std::optional<DeidentifyRequest> deidentify;
    Deidentification deidentified;
    FileCheck checked;
    std::vector<std::string> fileNames; // the source's and the destination's
};

} // namespace velmorant
