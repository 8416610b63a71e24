#include "repair/records/data_area.h"

#include "edf/repair/transfer_reversal.h"

#include <vector>

namespace velmorant {

namespace {

constexpr std::size_t chunkBytes = 256 * 1024;

} // namespace

bool readTransferDamage(std::FILE *file, const std::string &header, std::uintmax_t fileSize,
                        TransferDamage &damage)
{
    damage = TransferDamage{};
    const auto surplus = dataSurplus(header, fileSize);
    // A signal count read another way than the repair reads it: the stream is not at the data.
    if (!surplus || surplus->dataOffset != header.size())
        return true;
    std::fpos_t dataStart;
    if (std::fgetpos(file, &dataStart) != 0)
        return false;
    TransferScanner scanner;
    std::vector<char> chunk(chunkBytes);
    while (const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file))
        scanner.feed(chunk.data(), got);
    if (std::ferror(file) || std::fsetpos(file, &dataStart) != 0)
        return false;
    damage = judgeTransferDamage(surplus->surplus, scanner.finish());
    return true;
}

// One stream, two positions: what is written never reaches past what has been read.
bool removeInsertedCarriageReturns(std::FILE *file, std::uintmax_t &removed)
{
    std::fpos_t readAt, writeAt;
    if (std::fgetpos(file, &readAt) != 0)
        return false;
    writeAt = readAt;
    CarriageReturnRemover remover;
    std::vector<char> chunk(chunkBytes);
    std::string restored;
    restored.reserve(chunkBytes);
    for (std::size_t got = 1; got != 0;) {
        if (std::fsetpos(file, &readAt) != 0)
            return false;
        got = std::fread(chunk.data(), 1, chunk.size(), file);
        if (std::ferror(file) || std::fgetpos(file, &readAt) != 0)
            return false;
        restored.clear();
        if (got != 0)
            remover.feed(chunk.data(), got, restored);
        else
            remover.finish(restored);
        if (!restored.empty()
            && (std::fsetpos(file, &writeAt) != 0
                || std::fwrite(restored.data(), 1, restored.size(), file) != restored.size()
                || std::fgetpos(file, &writeAt) != 0))
            return false;
    }
    removed = remover.removed();
    return std::fflush(file) == 0;
}

} // namespace velmorant
