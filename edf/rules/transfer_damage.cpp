#include "edf/rules/transfer_damage.h"

#include "edf/format/edf_header.h"
#include "edf/format/edf_syntax.h"
#include "edf/format/record_layout.h"
#include "edf/format/recorder.h"

#include <cstring>

namespace velmorant {

namespace {

constexpr std::uint32_t replacementCharacter = 0xEFBFBD;
const char *const dataField = "data";

std::optional<std::uint32_t> signalCount(const std::string &header)
{
    if (header.size() < fixedHeaderSize)
        return std::nullopt;
    const auto count = edfInteger(fieldText(header.data(), FixedField::signalCount));
    if (!count || *count < 1 || *count > maxSignalCount
        || header.size() < headerSize(static_cast<std::uint32_t>(*count)))
        return std::nullopt;
    return static_cast<std::uint32_t>(*count);
}

std::string count(std::uintmax_t n, const char *one, const char *many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

std::optional<DataSurplus> dataSurplus(const std::string &header, std::uintmax_t fileSize)
{
    const auto signals = signalCount(header);
    if (!signals)
        return std::nullopt;
    const auto records = edfInteger(fieldText(header.data(), FixedField::dataRecords));
    const auto layout = recordLayout(header, *signals, fileSize);
    if (!records || *records < 1 || !layout)
        return std::nullopt;
    std::uintmax_t counted = static_cast<std::uintmax_t>(*records);
    const auto multiplied = multipliedRecords(*records, *samplesPerRecord(header, 1, *signals));
    if (counted > layout->wholeRecords() && multiplied
        && isRecorderVersion(fieldText(header.data(), FixedField::version)))
        counted = *multiplied;
    if (counted > layout->wholeRecords() || layout->dataBytes == counted * layout->recordBytes)
        return std::nullopt;
    return DataSurplus{layout->headerBytes, layout->dataBytes - counted * layout->recordBytes};
}

void TransferScanner::feed(const char *data, std::size_t size)
{
    if (size == 0)
        return;
    countLineFeeds(data, size);
    // Recorded samples stop being UTF-8 within a few bytes; only text is followed to its end.
    for (std::size_t i = 0; i < size && scan.wellFormedUtf8; ++i)
        followUtf8(static_cast<unsigned char>(data[i]));
    previous = data[size - 1];
}

void TransferScanner::countLineFeeds(const char *data, std::size_t size)
{
    const char *end = data + size;
    for (const char *at = data; (at = static_cast<const char *>(std::memchr(at, '\n', end - at)));
         ++at) {
        ++scan.lineFeeds;
        if ((at == data ? previous : at[-1]) != '\r')
            ++scan.loneLineFeeds;
    }
}

void TransferScanner::followUtf8(unsigned char byte)
{
    recent = ((recent << 8) | byte) & 0xFFFFFF;
    if (continuations > 0) {
        if (byte < low || byte > high) {
            scan.wellFormedUtf8 = false;
            return;
        }
        low = 0x80;
        high = 0xBF;
        if (--continuations == 0 && recent == replacementCharacter)
            ++scan.replacements;
        return;
    }
    if (byte < 0x80)
        return;
    if (byte < 0xC2 || byte > 0xF4) {
        scan.wellFormedUtf8 = false;
        return;
    }
    continuations = byte < 0xE0 ? 1 : byte < 0xF0 ? 2 : 3;
    // Narrower second bytes rule out overlong forms, surrogates and values past U+10FFFF.
    low = byte == 0xE0 ? 0xA0 : byte == 0xF0 ? 0x90 : 0x80;
    high = byte == 0xED ? 0x9F : byte == 0xF4 ? 0x8F : 0xBF;
}

TransferScan TransferScanner::finish() const
{
    TransferScan done = scan;
    done.wellFormedUtf8 = scan.wellFormedUtf8 && continuations == 0;
    return done;
}

TransferDamage judgeTransferDamage(std::uintmax_t surplus, const TransferScan &scan)
{
    TransferDamage damage{TransferDamageKind::none, surplus, scan};
    if (surplus == 0)
        return damage;
    // Each replacement stands for one byte or more of the original: at most two added.
    if (scan.wellFormedUtf8 && scan.replacements > 0 && surplus <= 2 * scan.replacements)
        damage.kind = TransferDamageKind::reencodedUtf8;
    else if (scan.lineFeeds > 0 && scan.loneLineFeeds == 0)
        damage.kind = scan.lineFeeds == surplus ? TransferDamageKind::lineFeedsConverted
                                                : TransferDamageKind::lineFeedsInexact;
    return damage;
}

std::string TransferDamage::description() const
{
    switch (kind) {
    case TransferDamageKind::lineFeedsConverted:
        return "the data was converted as text in transfer: "
            + count(scan.lineFeeds, "carriage return", "carriage returns")
            + " inserted before line feeds";
    case TransferDamageKind::lineFeedsInexact:
        return "the data looks converted as text in transfer (each of its "
            + count(scan.lineFeeds, "line feed", "line feeds")
            + " follows a carriage return), but the file is " + count(surplus, "byte", "bytes")
            + " longer than its header says";
    case TransferDamageKind::reencodedUtf8:
        return "the data was re-encoded as UTF-8 text in transfer: "
            + count(scan.replacements, "byte", "bytes") + " replaced by EF BF BD, "
            + count(surplus, "byte", "bytes") + " more than its header says";
    default:
        return {};
    }
}

Finding transferFinding(const TransferDamage &damage)
{
    switch (damage.kind) {
    case TransferDamageKind::lineFeedsConverted:
        return {Rule::textTransfer,
                dataField,
                0,
                damage.description(),
                "the data as recorded, without the inserted carriage returns",
                false};
    case TransferDamageKind::lineFeedsInexact:
        return {Rule::textTransferInexact,
                dataField,
                0,
                damage.description(),
                "as many bytes beyond the counted records as carriage returns before line feeds",
                false};
    default:
        return {Rule::utf8Transfer,     dataField, 0, damage.description(),
                "the data as recorded", false};
    }
}

} // namespace velmorant
