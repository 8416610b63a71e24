#include "edf/wording/finding_text.h"

#include "edf/format/edf_header.h"
#include "edf/rules/rule.h"
#include "edf/text/utf8.h"

#include <algorithm>

namespace velmorant {

namespace {

std::string byteEscaped(char c)
{
    static const char hexDigits[] = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(c);
    return {'\\', 'x', hexDigits[byte >> 4], hexDigits[byte & 0xF]};
}

} // namespace

std::string shownText(const std::string &text)
{
    std::string shown;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        shown += byte < 32 || byte > 126 || c == '\\' ? byteEscaped(c) : std::string(1, c);
    }
    return shown;
}

std::string shownName(const std::string &path)
{
    std::string shown;
    for (std::size_t i = 0; i < path.size();) {
        const std::size_t wellFormed = wellFormedLength(path, i);
        const std::size_t length = std::max<std::size_t>(wellFormed, 1);
        const bool kept = wellFormed > 0 && !controlsTerminal(codePointAt(path, i, length));
        for (std::size_t k = i; k < i + length; ++k)
            shown += kept ? std::string(1, path[k]) : byteEscaped(path[k]);
        i += length;
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
