#pragma once

#include "edf/rules/header_check.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace velmorant {

// A recording handled as text on its way (every line feed given a carriage
// return, or every byte that is not UTF-8 replaced by EF BF BD) is longer than
// its header says by the bytes the conversion added. Only then is its data
// area read; the reading is fed in chunks, so a data area of any size takes
// bounded memory.

// Where the data area starts and how many bytes the file holds beyond the
// records its header counts (a recorder's count divided as the repair
// divides it); nothing when the header does not say (no signal, a count below
// 1, samples per record unknown) or the file is not longer.
struct DataSurplus {
    std::uintmax_t dataOffset;
    std::uintmax_t surplus;
};
std::optional<DataSurplus> dataSurplus(const std::string &header, std::uintmax_t fileSize);

// What the data area shows of a conversion.
struct TransferScan {
    std::uintmax_t lineFeeds = 0;
    std::uintmax_t loneLineFeeds = 0; // not preceded by a carriage return
    std::uintmax_t replacements = 0; // EF BF BD, counted while the bytes are well-formed UTF-8
    bool wellFormedUtf8 = true;
};

class TransferScanner
{
public:
    void feed(const char *data, std::size_t size);
    TransferScan finish() const;

private:
    void countLineFeeds(const char *data, std::size_t size);
    void followUtf8(unsigned char byte);

    TransferScan scan;
    char previous = 0; // the byte before this chunk
    int continuations = 0; // still owed by the UTF-8 sequence under way
    unsigned char low = 0x80, high = 0xBF; // the next continuation byte's range
    std::uint32_t recent = 0; // the last three bytes, for EF BF BD
};

enum class TransferDamageKind {
    none,
    lineFeedsConverted, // exactly: the inserted carriage returns can be removed
    lineFeedsInexact, // every line feed follows a carriage return, but the surplus differs
    reencodedUtf8, // the replaced bytes are lost
};

// The damage, and what reversing it means for the copy.
struct TransferDamage {
    TransferDamageKind kind = TransferDamageKind::none;
    std::uintmax_t surplus = 0;
    TransferScan scan;

    bool reversible() const { return kind == TransferDamageKind::lineFeedsConverted; }
    // Bytes the reversal removes from the data area: one carriage return before each line feed.
    std::uintmax_t removedBytes() const { return reversible() ? scan.lineFeeds : 0; }
    // The file's size once reversed, which every rule after the reversal
    // measures. Damage that cannot be reversed leaves the header's own count
    // to stand: records counted over converted bytes would be noise.
    std::uintmax_t restoredSize(std::uintmax_t fileSize) const
    {
        return fileSize
            - (kind == TransferDamageKind::none || reversible() ? removedBytes() : surplus);
    }
    // What a check names as the fault; empty when there is none.
    std::string description() const;
};

TransferDamage judgeTransferDamage(std::uintmax_t surplus, const TransferScan &scan);

// The damage as a fault of the file's data; kind must not be none.
Finding transferFinding(const TransferDamage &damage);

} // namespace velmorant
