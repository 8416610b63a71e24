#include "edf/wording/finding_text.h"

#include "edf/format/edf_header.h"
#include "edf/rules/rule.h"

namespace velmorant {

std::string shownText(const std::string &text)
{
    static const char hexDigits[] = "0123456789ABCDEF";
    std::string shown;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 || byte > 126 || c == '\\') {
            shown += "\\x";
            shown += hexDigits[byte >> 4];
            shown += hexDigits[byte & 0xF];
        } else {
            shown += c;
        }
    }
    return shown;
}

std::string fieldName(const std::string &field, std::uint32_t signal)
{
    return signal == 0 ? field : field + " of signal " + std::to_string(signal);
}

bool identifiesPatient(const std::string &field, std::uint32_t signal)
{
    return signal == 0 && field == velmorant::field(FixedField::patient).name;
}

std::string quotedFieldText(const std::string &field, std::uint32_t signal, const std::string &text)
{
    return identifiesPatient(field, signal) ? "(not shown: it identifies the patient)"
                                            : "\"" + shownText(text) + "\"";
}

std::string findingText(const Finding &finding)
{
    // The data's faults are measured, not quoted from a field.
    if (measuresData(finding.rule))
        return finding.found;
    return fieldName(finding.field, finding.signal) + ": "
        + quotedFieldText(finding.field, finding.signal, finding.found) + ", expected "
        + finding.expected;
}

} // namespace velmorant
