#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace velmorant {

// The EDF header layout as data: every offset is derived from these widths.

constexpr std::size_t fixedHeaderSize = 256;

struct HeaderField {
    const char *name;
    std::size_t width;
};

enum class FixedField {
    version,
    patient,
    recording,
    startDate,
    startTime,
    headerBytes,
    reserved,
    dataRecords,
    recordDuration,
    signalCount,
};

constexpr std::array<HeaderField, 10> fixedFields{{
    {"version", 8},
    {"patient identification", 80},
    {"recording identification", 80},
    {"start date", 8},
    {"start time", 8},
    {"number of bytes in header", 8},
    {"reserved", 44},
    {"number of data records", 8},
    {"duration of a data record", 8},
    {"number of signals", 4},
}};

enum class SignalField {
    label,
    transducer,
    physicalDimension,
    physicalMinimum,
    physicalMaximum,
    digitalMinimum,
    digitalMaximum,
    prefiltering,
    samplesPerRecord,
    reserved,
};

constexpr std::array<HeaderField, 10> signalFields{{
    {"label", 16},
    {"transducer type", 80},
    {"physical dimension", 8},
    {"physical minimum", 8},
    {"physical maximum", 8},
    {"digital minimum", 8},
    {"digital maximum", 8},
    {"prefiltering", 80},
    {"number of samples in each data record", 8},
    {"reserved", 32},
}};

// Above this the four-character signal count field cannot go, and the
// 32-bit offsets below stay far from wrapping.
constexpr std::uint32_t maxSignalCount = 9999;

constexpr const HeaderField &field(FixedField f)
{
    return fixedFields[static_cast<std::size_t>(f)];
}

constexpr const HeaderField &field(SignalField f)
{
    return signalFields[static_cast<std::size_t>(f)];
}

constexpr std::size_t offsetOf(FixedField f)
{
    std::size_t offset = 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(f); ++i)
        offset += fixedFields[i].width;
    return offset;
}

// Each signal field is an array of ns entries; the arrays follow each other.
constexpr std::uint32_t arrayOffset(SignalField f, std::uint32_t ns)
{
    std::uint32_t widthsBefore = 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(f); ++i)
        widthsBefore += static_cast<std::uint32_t>(signalFields[i].width);
    return static_cast<std::uint32_t>(fixedHeaderSize) + ns * widthsBefore;
}

constexpr std::uint32_t arrayLength(SignalField f, std::uint32_t ns)
{
    return ns * static_cast<std::uint32_t>(field(f).width);
}

constexpr std::uint32_t headerSize(std::uint32_t ns)
{
    return static_cast<std::uint32_t>(fixedHeaderSize) * (ns + 1);
}

static_assert(offsetOf(FixedField::dataRecords) == 236, "EDF layout");
static_assert(offsetOf(FixedField::signalCount) == 252, "EDF layout");
static_assert(arrayOffset(SignalField::prefiltering, 2) == 528, "EDF layout");
static_assert(arrayOffset(SignalField::samplesPerRecord, 1) == 472, "EDF layout");
static_assert(arrayOffset(SignalField::reserved, 2) == 704, "EDF layout");

// The field's full text, trailing spaces included.
inline std::string fieldText(const char *header, FixedField f)
{
    return std::string(header + offsetOf(f), field(f).width);
}

// BDF, EDF's 24-bit sibling, marks its version field with byte 255 and
// "BIOSEMI"; data_format.h says what else differs.
inline bool isBdf(const std::string &header)
{
    return header.compare(0, field(FixedField::version).width,
                          "\xFF"
                          "BIOSEMI")
        == 0;
}

} // namespace velmorant
