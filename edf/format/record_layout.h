#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velmorant {

// How a file's bytes after its header divide into data records: every signal
// gives two bytes per sample, three in BDF.
struct RecordLayout {
    std::uintmax_t headerBytes;
    std::uintmax_t recordBytes; // at least 2
    std::uintmax_t dataBytes; // the bytes after the header

    std::uintmax_t wholeRecords() const { return dataBytes / recordBytes; }
    std::uintmax_t leftOver() const { return dataBytes % recordBytes; }
};

// A signal's samples per data record, when its field holds a whole number of
// at least 1. signal is numbered from 1.
std::optional<std::uint32_t> samplesPerRecord(const std::string &header, std::uint32_t signal,
                                              std::uint32_t signalCount);

// Nothing when there is no signal, when a signal's samples per record is not
// such a number, or when the file is shorter than its header; header must
// hold the whole signal header.
std::optional<RecordLayout> recordLayout(const std::string &header, std::uint32_t signalCount,
                                         std::uintmax_t fileSize);

} // namespace velmorant
