// Writes a recorder file of about the size asked for, in MiB (or in KiB with
// a "k" after the number): the header as the recorder writes it (a date for a
// version, the count of samples where the count of records belongs), then
// data records. 32 signals keep that count within its 8 characters up to
// 4 GiB; a file under a MiB has one signal, so that it still holds records.
// Usage: make_recording FILE SIZE
//
// Or a real recording of one-second records (with many signals, say) as the
// recorder would have written it: its records counted in samples of the
// first signal, each lasting one such sample, a date for a version.
// Usage: make_recording --recorder-copy SOURCE FILE

#include "edf/format/edf_header.h"
#include "edf/format/field_slots.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace velmorant;

namespace {

constexpr unsigned samplesPerRecord = 512;

std::string padded(const std::string &text, std::size_t width)
{
    std::string field = text.substr(0, width);
    field.resize(width, ' ');
    return field;
}

std::string header(unsigned signals, unsigned long records)
{
    const std::vector<std::string> fixed{"20160817",
                                         "X X X X",
                                         "Startdate X X X X",
                                         "17.08.16",
                                         "10.00.00",
                                         std::to_string(headerSize(signals)),
                                         "",
                                         std::to_string(records * samplesPerRecord),
                                         "0.001953",
                                         std::to_string(signals)};
    const std::vector<std::string> perSignal{"EEG",
                                             "AgAgCl electrode",
                                             "uV",
                                             "-3200",
                                             "3200",
                                             "-32768",
                                             "32767",
                                             "HP:0.1Hz LP:70Hz",
                                             std::to_string(samplesPerRecord),
                                             "unused"};
    std::string text;
    for (std::size_t i = 0; i < fixedFields.size(); ++i)
        text += padded(fixed[i], fixedFields[i].width);
    for (std::size_t i = 0; i < signalFields.size(); ++i) {
        for (unsigned s = 0; s < signals; ++s)
            text += padded(perSignal[i], signalFields[i].width);
    }
    return text;
}

void put(std::string &bytes, const FieldSlot &slot, const std::string &text)
{
    bytes.replace(slot.offset, slot.width, padded(text, slot.width));
}

int recorderCopy(const char *sourcePath, const char *path)
{
    std::ifstream source(sourcePath, std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(source), {});
    const auto signals = static_cast<std::uint32_t>(
        std::strtoul(slotText(bytes, fixedSlot(FixedField::signalCount)).c_str(), nullptr, 10));
    if (!source.is_open() || signals == 0 || bytes.size() < headerSize(signals)) {
        std::fprintf(stderr, "%s: not an EDF file to copy\n", sourcePath);
        return 1;
    }
    const unsigned long samples = std::strtoul(
        slotText(bytes, signalSlot(SignalField::samplesPerRecord, 1, signals)).c_str(), nullptr,
        10);
    const unsigned long records
        = std::strtoul(slotText(bytes, fixedSlot(FixedField::dataRecords)).c_str(), nullptr, 10);
    char duration[16];
    std::snprintf(duration, sizeof duration, "%.6f", 1.0 / double(samples));
    put(bytes, fixedSlot(FixedField::version), "20160817");
    put(bytes, fixedSlot(FixedField::dataRecords), std::to_string(records * samples));
    put(bytes, fixedSlot(FixedField::recordDuration), duration);
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::perror(path);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::string(argv[1]) == "--recorder-copy")
        return recorderCopy(argv[2], argv[3]);
    if (argc != 3) {
        std::fprintf(stderr,
                     "usage: make_recording FILE SIZE\n"
                     "       make_recording --recorder-copy SOURCE FILE\n");
        return 2;
    }
    char *unit = nullptr;
    const unsigned long long bytes = std::strtoull(argv[2], &unit, 10) << (*unit == 'k' ? 10 : 20);
    const unsigned signals = bytes < (1 << 20) ? 1 : 32;
    const std::size_t recordBytes = signals * samplesPerRecord * 2;
    const unsigned long records
        = static_cast<unsigned long>((bytes - headerSize(signals)) / recordBytes);
    std::FILE *out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    const std::string head = header(signals, records);
    std::fwrite(head.data(), 1, head.size(), out);
    std::vector<char> block(recordBytes * 32);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>((i * 31 + i / 251) & 0xFF);
    for (unsigned long left = records; left > 0;) {
        const unsigned long now = left < 32 ? left : 32;
        if (std::fwrite(block.data(), recordBytes, now, out) != now) {
            std::perror(argv[1]);
            return 1;
        }
        left -= now;
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
