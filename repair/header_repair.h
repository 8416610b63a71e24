#pragma once

#include "copy_progress.h"
#include "edf_header.h"
#include "repair_failure.h"
#include "repair_preview.h"

#include <filesystem>

#include <cstdint>
#include <cstdio>
#include <string>

namespace velmorant {

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

    // Why the last repairHeader returned false.
    const RepairFailure &lastFailure() const { return failure; }

    // Told how far each following repair's copy has got. When it returns
    // false that repair fails as cancelled, leaving nothing behind.
    void setCopyProgress(CopyProgress progress) { copyProgress = std::move(progress); }
    // The usual repair unless told otherwise; the window keeps the usual one.
    void setMode(RepairMode newMode) { mode = newMode; }
    // What the last successful repairHeader changed, and how much of the file it kept.
    const RepairPreview &lastRepair() const { return repaired; }

protected:
    std::FILE *edfFile = nullptr;
    char edfHeader[256];

private:
    bool stageAndRepair(const std::filesystem::path &source,
                        const std::filesystem::path &destination);
    bool refuseUnlessReplaceable(const std::filesystem::path &destination);
    bool copyStaged(StagedCopy &copy, const std::filesystem::path &source);
    bool repairCopy(StagedCopy &copy);
    bool patchOpenCopy(std::uintmax_t fileSize);
    bool readHeader(std::string &header);
    bool writeAt(std::uint32_t offset, const char *data, std::size_t size);
    bool shortenTo(std::uintmax_t size);
    bool closeEdfFile();
    bool fail(RepairStep step, std::string reason = {});

    RepairFailure failure;
    CopyProgress copyProgress;
    RepairMode mode = RepairMode::usual;
    RepairPreview repaired;
};

} // namespace velmorant
