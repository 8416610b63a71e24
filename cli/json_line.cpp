#include "json_line.h"

#include "utf8.h"

#include <cstdio>

namespace velmorant {

namespace {

std::string unicodeEscape(unsigned value)
{
    char escaped[7];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", value);
    return escaped;
}

// The four characters \xNN, as the reports write a byte (a backslash and a
// byte that is not printable ASCII alike), the backslash escaped for JSON.
std::string byteEscape(char byte)
{
    return "\\" + shownHeaderText(std::string(1, byte));
}

bool startsByteEscape(const std::string &text, std::size_t at)
{
    return text[at] == '\\' && at + 1 < text.size() && text[at + 1] == 'x';
}

std::string jsonBool(bool value)
{
    return value ? "true" : "false";
}

std::string jsonSignal(std::uint32_t signal)
{
    return signal == 0 ? "null" : std::to_string(signal);
}

std::string jsonFinding(const CheckedFinding &f)
{
    return "{\"field\": " + jsonString(f.finding.field) + ", \"signal\": "
        + jsonSignal(f.finding.signal) + ", \"found\": " + jsonString(f.finding.found)
        + ", \"expected\": " + jsonString(f.finding.expected) + ", \"repaired\": "
        + jsonBool(f.repaired) + ", \"warning\": " + jsonBool(f.finding.warning)
        + ", \"caused_by_repair\": " + jsonBool(f.causedByRepair) + "}";
}

std::string jsonChange(const FieldChange &c)
{
    return "{\"field\": " + jsonString(c.field) + ", \"signal\": " + jsonSignal(c.signal)
        + ", \"from\": " + jsonString(c.from) + ", \"to\": " + jsonString(c.to) + "}";
}

template<typename Item, typename Format>
std::string jsonArray(const std::vector<Item> &items, Format format)
{
    std::string array = "[";
    for (const Item &item : items)
        array += (array.size() > 1 ? ", " : "") + format(item);
    return array + "]";
}

// A file that could not be read is one finding that no repair removes.
FileCheck asFinding(const FileCheck &check)
{
    FileCheck unreadable = check;
    unreadable.findings
        = {{{"readable", "file", 0, check.readError, "a readable EDF file", false}, false, false}};
    return unreadable;
}

} // namespace

std::string jsonString(const std::string &text)
{
    std::string json = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = wellFormedLength(text, i);
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        if (length == 0 || startsByteEscape(text, i))
            json += byteEscape(c);
        else if (c == '"' || c == '\\')
            json += std::string("\\") + c;
        else if (byte < 32 || byte == 127)
            json += unicodeEscape(byte);
        else
            json.append(text, i, length);
        i += length == 0 ? 1 : length;
    }
    return json + "\"";
}

std::string jsonLine(const std::string &path, const FileCheck &check)
{
    const FileCheck &c = check.readError.empty() ? check : asFinding(check);
    const std::string repairError = c.readError.empty() && !c.preview.succeeds
        ? jsonString(describe(c.preview.failure))
        : "null";
    return "{\"file\": " + jsonString(path)
        + ", \"findings\": " + jsonArray(c.findings, jsonFinding)
        + ", \"changes\": " + jsonArray(c.preview.changes, jsonChange)
        + ", \"repair_error\": " + repairError + ", \"sound\": " + jsonBool(c.sound)
        + ", \"sound_after_repair\": " + jsonBool(c.soundAfterRepair) + "}";
}

} // namespace velmorant
