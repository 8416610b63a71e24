#include "header_patch.h"

#include "edf_header.h"
#include "numeric_text.h"

#include <cstring>

namespace velmorant {

namespace {

const char *const repairedVersion = "0       ";
const char *const oneSecondDuration = "1       ";

// The recorder writes one of these dates where the version belongs.
bool isRecorderVersion(const std::string &version)
{
    return version == "20160817" || version == "20170703";
}

char *fieldStart(char *header, FixedField f)
{
    return header + offsetOf(f);
}

std::string padToField(const std::string &text, FixedField f)
{
    std::string padded(field(f).width, ' ');
    padded.replace(0, text.size(), text);
    return padded;
}

void divideRecordCount(char *header, const FixedHeaderNumbers &numbers,
                       std::uint32_t samplesPerRecord)
{
    if (numbers.dataRecords < 0)
        return;
    const auto quotient = static_cast<std::int32_t>(static_cast<std::uint32_t>(numbers.dataRecords)
                                                    / samplesPerRecord);
    // The quotient never exceeds the stored count, so it fits the same field.
    copyFieldText(fieldStart(header, FixedField::dataRecords),
                  padToField(toString(quotient), FixedField::dataRecords).c_str());
}

} // namespace

void patchFixedHeader(char *header, const FixedHeaderNumbers &numbers,
                      std::uint32_t samplesPerRecord)
{
    if (isRecorderVersion(fieldText(header, FixedField::version))) {
        if (numbers.recordDuration != 1)
            copyFieldText(fieldStart(header, FixedField::recordDuration), oneSecondDuration);
        divideRecordCount(header, numbers, samplesPerRecord);
    }
    if (fieldText(header, FixedField::version) != repairedVersion)
        copyFieldText(fieldStart(header, FixedField::version), repairedVersion);
}

} // namespace velmorant
