#include "edf/format/recorder.h"

#include "edf/format/edf_header.h"

#include <algorithm>

namespace velmorant {

namespace {

std::string trimmedRight(const std::string &text)
{
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

// "0.001953": the digits after the point, zeros in front to fill the decimals.
std::string decimalFraction(std::uintmax_t digits, std::size_t decimals)
{
    const std::string text = std::to_string(digits);
    return "0." + std::string(decimals - std::min(decimals, text.size()), '0') + text;
}

} // namespace

bool isRecorderVersion(const std::string &version)
{
    return version == "20160817" || version == "20170703";
}

std::uint32_t recorderRecords(std::uint32_t storedCount, std::uint32_t samples)
{
    return storedCount / samples;
}

std::optional<std::uintmax_t> multipliedRecords(long long storedCount, std::uint32_t samples)
{
    if (storedCount < 1 || samples < 2 || storedCount % samples != 0)
        return std::nullopt;
    return static_cast<std::uintmax_t>(storedCount / samples);
}

bool isRecorderFraction(const std::string &durationField, std::uint32_t samples)
{
    const std::string duration = trimmedRight(durationField);
    if (samples < 2 || duration.size() < 3 || duration.compare(0, 2, "0.") != 0)
        return false;
    const std::size_t decimals = duration.size() - 2;
    std::uintmax_t scale = 1;
    for (std::size_t i = 0; i < decimals; ++i)
        scale *= 10;
    const bool exact = scale % samples == 0;
    if (!exact && duration.size() < field(FixedField::recordDuration).width)
        return false;
    const std::uintmax_t cut = scale / samples, rounded = (2 * scale / samples + 1) / 2;
    return duration == decimalFraction(cut, decimals)
        || duration == decimalFraction(rounded, decimals);
}

} // namespace velmorant
