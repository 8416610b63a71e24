#include "edf/repair/header_patch.h"

#include "edf/format/edf_header.h"
#include "edf/format/edf_syntax.h"
#include "edf/format/numeric_text.h"
#include "edf/format/recorder.h"

#include <cstring>

namespace velmorant {

namespace {

const char *const repairedVersion = "0       ";
const char *const oneSecondDuration = "1       ";

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

void divideRecordCount(char *header, const RecorderRewrite &rewrite)
{
    if (rewrite.dataRecords < 0)
        return;
    const auto quotient = static_cast<std::int32_t>(
        recorderRecords(static_cast<std::uint32_t>(rewrite.dataRecords), rewrite.samplesPerRecord));
    // The quotient never exceeds the stored count, so it fits the same field.
    copyFieldText(fieldStart(header, FixedField::dataRecords),
                  padToField(toString(quotient), FixedField::dataRecords).c_str());
}

} // namespace

void setOneSecondRecords(char *header)
{
    // "1.5" reads as 1 to a lenient parse, and is not one second.
    if (edfNumber(fieldText(header, FixedField::recordDuration)) != 1.0)
        copyFieldText(fieldStart(header, FixedField::recordDuration), oneSecondDuration);
}

void patchFixedHeader(char *header, const std::optional<RecorderRewrite> &rewrite)
{
    if (rewrite && isRecorderVersion(fieldText(header, FixedField::version))) {
        setOneSecondRecords(header);
        divideRecordCount(header, *rewrite);
    }
    // A BDF stays BDF: its version field is what says so.
    if (!isBdf(fieldText(header, FixedField::version))
        && fieldText(header, FixedField::version) != repairedVersion)
        copyFieldText(fieldStart(header, FixedField::version), repairedVersion);
}

} // namespace velmorant
