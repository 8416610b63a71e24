#pragma once

#include <cstdint>
#include <string>

namespace velmorant {

// What sets EDF and BDF apart, taken from the version field: BDF's samples
// are 3 bytes, so its records, digital limits and annotation slots differ;
// every other field is EDF's.
struct DataFormat {
    const char *name; // "EDF" or "BDF"
    std::uint32_t sampleBytes;
    long long digitalLowest;
    long long digitalHighest;
    const char *plusMark; // "EDF+", followed by C or D in the reserved field
    const char *annotationLabel;
};

const DataFormat &dataFormat(const std::string &header);

// "EDF", "EDF+", "BDF" or "BDF+", for reports; header holds at least the fixed header.
std::string formatName(const std::string &header);

} // namespace velmorant
