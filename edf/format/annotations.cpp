#include "edf/format/annotations.h"

#include "edf/text/utf8.h"

#include <algorithm>

namespace velmorant {

namespace {

constexpr char durationMark = 0x15;
constexpr char textEnd = 0x14;
constexpr std::size_t mostShown = 24;

// The bytes at fault, enough to recognise them, without the padding after them.
std::string upTo(const std::string &bytes, std::size_t from, std::size_t to)
{
    const std::string shown = bytes.substr(from, std::min(to - from, mostShown));
    return shown.substr(0, shown.find_last_not_of('\0') + 1);
}

bool isUtf8(const std::string &text)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = wellFormedLength(text, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

class TalReader
{
public:
    explicit TalReader(const std::string &bytes) : bytes(bytes) { }

    RecordTals run()
    {
        while (at < bytes.size() && bytes[at] != '\0' && readTal())
            ;
        if (read.fault == TalFault::none
            && (read.tals.empty() || read.tals[0].texts.empty() || !read.tals[0].texts[0].empty()))
            fail(TalFault::noTimekeeping, 0, bytes.size());
        if (read.fault == TalFault::none)
            checkPadding();
        return std::move(read);
    }

private:
    bool fail(TalFault fault, std::size_t from, std::size_t to)
    {
        read.fault = fault;
        read.faultText = upTo(bytes, from, to);
        return false;
    }

    // The offset of the first of `ends` from `from`, or the end of the bytes.
    std::size_t find(std::size_t from, const std::string &ends) const
    {
        return std::min(bytes.find_first_of(ends, from), bytes.size());
    }

    bool readTal()
    {
        const std::size_t start = at;
        if (bytes[at] != '+' && bytes[at] != '-')
            return fail(start == 0 ? TalFault::noTimekeeping : TalFault::bytesAfter, at,
                        find(at, std::string(1, '\0')));
        Tal tal;
        const std::size_t onsetEnd = find(at, std::string{durationMark, textEnd, '\0'});
        tal.onsetText = bytes.substr(at, onsetEnd - at);
        const auto onset = onsetSeconds(tal.onsetText);
        if (!onset || onsetEnd == bytes.size() || bytes[onsetEnd] == '\0')
            return fail(onsetEnd == bytes.size() ? TalFault::notEnded : TalFault::onset, at,
                        onsetEnd);
        tal.onset = *onset;
        at = onsetEnd;
        if (bytes[at] == durationMark && !readDuration(tal))
            return false;
        ++at; // the 0x14 that ends the onset or the duration
        if (!readTexts(tal, start))
            return false;
        read.tals.push_back(std::move(tal));
        return true;
    }

    bool readDuration(Tal &tal)
    {
        const std::size_t end = find(at + 1, std::string{textEnd, '\0'});
        const std::string text = bytes.substr(at + 1, end - at - 1);
        tal.duration = durationSeconds(text);
        if (end == bytes.size())
            return fail(TalFault::notEnded, at, end);
        if (!tal.duration || bytes[end] != textEnd || text.find(' ') != std::string::npos)
            return fail(TalFault::duration, at + 1, end);
        at = end;
        return true;
    }

    // Texts each ended by 0x14, then the 0x00 that ends the TAL.
    bool readTexts(Tal &tal, std::size_t start)
    {
        while (at < bytes.size() && bytes[at] != '\0') {
            const std::size_t end = find(at, std::string{textEnd, '\0'});
            if (end == bytes.size() || bytes[end] == '\0')
                return fail(TalFault::notEnded, start, end);
            const std::string text = bytes.substr(at, end - at);
            if (!isUtf8(text))
                return fail(TalFault::notUtf8, at, end);
            tal.texts.push_back(text);
            tal.textOffsets.push_back(at);
            at = end + 1;
        }
        if (at == bytes.size())
            return fail(TalFault::notEnded, start, at);
        ++at;
        return true;
    }

    void checkPadding()
    {
        const std::size_t stray = bytes.find_first_not_of('\0', at);
        if (stray != std::string::npos)
            fail(TalFault::bytesAfter, stray, bytes.size());
    }

    const std::string &bytes;
    std::size_t at = 0;
    RecordTals read;
};

} // namespace

RecordTals readTals(const std::string &bytes)
{
    return TalReader(bytes).run();
}

std::string talExpectation(TalFault fault)
{
    switch (fault) {
    case TalFault::noTimekeeping:
        return "a time-keeping annotation first (\"+onset\" 0x14 0x14 0x00)";
    case TalFault::onset:
        return "an onset of a sign, digits and an optional decimal point, ended by 0x14 or 0x15";
    case TalFault::duration:
        return "a duration of digits and an optional decimal point, ended by 0x14";
    case TalFault::notEnded:
        return "a TAL ended by 0x14 0x00 within the record";
    case TalFault::bytesAfter:
        return "0x00 only after the last TAL";
    case TalFault::notUtf8:
        return "annotation text in UTF-8";
    case TalFault::none:
        break;
    }
    return "";
}

} // namespace velmorant
