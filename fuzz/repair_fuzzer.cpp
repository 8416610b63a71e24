// Each input is a source file, repaired once the usual way and once
// thoroughly. Neither may crash, change the source, leave anything beside the
// destination, or fail other than leaving the destination as it was. The
// usual repair's copy has the source's size and differs from it only inside
// the fields it rewrites; the thorough repair's copy keeps the source's data
// records, whole ones only (less the carriage returns a line feed conversion
// inserted, where it found one), under a header the check finds sound.

#include "edf/format/edf_header.h"
#include "edf/format/numeric_text.h"
#include "edf/repair/transfer_reversal.h"
#include "edf/rules/header_check.h"
#include "repair/engine/header_repair.h"
#include "repair/staging/unique_name.h"

#include <filesystem>
#include <fstream>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using namespace velmorant;

namespace {

const std::string earlierDestination = "an earlier file the user keeps\n";

// A folder of this process's own on a memory file system where there is one,
// so that the repair's flushes to disk cost nothing.
class Workspace
{
public:
    Workspace()
    {
        const fs::path shm("/dev/shm");
        std::error_code error;
        const fs::path base = fs::is_directory(shm, error) ? shm : fs::temp_directory_path();
        root = base / velmorant::uniqueName("velmorant-fuzz-%%%%-%%%%-%%%%");
        fs::create_directories(root / "out");
        source = root / "source.edf";
        destination = root / "out" / "repaired.edf";
    }
    ~Workspace()
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    fs::path root, source, destination;
};

void write(const fs::path &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

[[noreturn]] void violated(const std::string &what)
{
    std::fprintf(stderr, "invariant violated: %s\n", what.c_str());
    std::abort();
}

using Range = std::pair<std::size_t, std::size_t>; // [first, last)

// Where a repaired copy may differ from its source.
std::vector<Range> patchedRanges(const std::string &source)
{
    const auto ns = parseTo<std::uint32_t>(fieldText(source.data(), FixedField::signalCount));
    if (ns > maxSignalCount)
        violated("a file with " + std::to_string(ns) + " signals was repaired");
    const auto array = [ns](SignalField f) {
        return Range{arrayOffset(f, ns), arrayOffset(f, ns) + arrayLength(f, ns)};
    };
    const auto fixed = [](FixedField f) {
        return Range{offsetOf(f), offsetOf(f) + field(f).width};
    };
    return {fixed(FixedField::version), fixed(FixedField::dataRecords),
            fixed(FixedField::recordDuration), array(SignalField::prefiltering),
            array(SignalField::reserved)};
}

bool inside(std::size_t offset, const std::vector<Range> &ranges)
{
    for (const auto &range : ranges) {
        if (offset >= range.first && offset < range.second)
            return true;
    }
    return false;
}

void checkRepairedCopy(const std::string &source, const std::string &copy)
{
    if (copy.size() != source.size())
        violated("the copy has " + std::to_string(copy.size()) + " bytes, the source "
                 + std::to_string(source.size()));
    const std::vector<Range> patched = patchedRanges(source);
    for (std::size_t i = 0; i < copy.size(); ++i) {
        if (copy[i] != source[i] && !inside(i, patched))
            violated("the copy differs at offset " + std::to_string(i)
                     + ", outside the rewritten fields");
    }
    if (fieldText(copy.data(), FixedField::version) != "0       ")
        violated("the copy's version is not \"0       \"");
    for (const Range &range : {patched[3], patched[4]}) {
        if (copy.find_first_not_of(' ', range.first) < range.second)
            violated("a blanked array still holds something other than spaces");
    }
}

// The source's data as the copy is to hold it: without the carriage returns
// that a line feed conversion inserted, where the repair said it removed them.
std::string expectedData(const std::string &source, std::size_t header,
                         std::uintmax_t carriageReturnsRemoved)
{
    if (carriageReturnsRemoved == 0)
        return source.substr(header);
    std::string restored;
    CarriageReturnRemover remover;
    remover.feed(source.data() + header, source.size() - header, restored);
    remover.finish(restored);
    if (remover.removed() != carriageReturnsRemoved)
        violated("the thorough repair removed another number of carriage returns than it said");
    return restored;
}

void checkThoroughCopy(const std::string &source, const std::string &copy,
                       std::uintmax_t carriageReturnsRemoved)
{
    const std::uint32_t ns
        = parseTo<std::uint32_t>(fieldText(source.data(), FixedField::signalCount));
    const std::size_t header = headerSize(ns);
    if (copy.size() > source.size() || copy.size() < header)
        violated("the thorough copy has " + std::to_string(copy.size()) + " bytes, the source "
                 + std::to_string(source.size()));
    const std::string data = expectedData(source, header, carriageReturnsRemoved);
    if (copy.compare(header, std::string::npos, data, 0, copy.size() - header) != 0)
        violated("the thorough copy's data records differ from the source's");
    if (hasError(checkHeader(copy, copy.size())))
        violated("the thorough repair wrote a file the check finds faulty");
}

void repairOnce(const std::string &source, const Workspace &workspace, RepairMode mode)
{
    // Half of the inputs find an earlier destination that must survive a failure.
    const bool earlier = source.size() % 2 == 0;
    std::error_code error;
    fs::remove(workspace.destination, error);
    if (earlier)
        write(workspace.destination, earlierDestination);

    HeaderRepair repair;
    repair.setMode(mode);
    const FileOutcome outcome
        = repair.repairFile({workspace.source.string(), workspace.destination.string()});

    if (read(workspace.source) != source)
        violated("the source changed");
    for (const auto &entry : fs::directory_iterator(workspace.destination.parent_path())) {
        if (entry.path() != workspace.destination)
            violated("left behind: " + entry.path().filename().string());
    }
    const bool exists = fs::exists(workspace.destination);
    if (outcome.repaired) {
        if (!exists)
            violated("the repair succeeded but there is no destination");
        if (mode == RepairMode::usual)
            checkRepairedCopy(source, read(workspace.destination));
        else
            checkThoroughCopy(source, read(workspace.destination),
                              outcome.repair.carriageReturnsRemoved);
    } else if (exists != earlier
               || (earlier && read(workspace.destination) != earlierDestination)) {
        violated("the repair failed but the destination changed");
    }
}

// A made-up patient, planted where a recorder writes the real one.
const std::string plantedPatient = "QZ-90417 F 11-NOV-1958 Okonkwo_Adaeze";

std::string lowered(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

// No planted string left, unless the input held it outside the patient
// field too; past the header only annotation texts may change, each byte to 'X'.
void checkDeidentifiedCopy(const std::string &source, const std::string &copy)
{
    if (copy.size() != source.size())
        violated("the de-identified copy has another size than its source");
    const std::string before = lowered(source.substr(offsetOf(FixedField::recording)));
    const std::string after = lowered(copy);
    for (const char *planted : {"okonkwo", "adaeze", "qz-90417", "90417", "11-nov-1958"})
        if (before.find(planted) == std::string::npos && after.find(planted) != std::string::npos)
            violated(std::string("the de-identified copy still holds ") + planted);
    const std::size_t header
        = headerSize(parseTo<std::uint32_t>(fieldText(source.data(), FixedField::signalCount)));
    for (std::size_t i = header; i < copy.size(); ++i)
        if (copy[i] != source[i] && copy[i] != 'X')
            violated("de-identification changed a data byte at offset " + std::to_string(i));
}

void deidentifyOnce(std::string source, const Workspace &workspace)
{
    if (source.size() < fixedHeaderSize)
        return;
    source.replace(offsetOf(FixedField::patient), field(FixedField::patient).width,
                   plantedPatient + std::string(80 - plantedPatient.size(), ' '));
    write(workspace.source, source);
    std::error_code error;
    fs::remove(workspace.destination, error);
    HeaderRepair repair;
    repair.setDeidentification(DeidentifyRequest{});
    const FileOutcome outcome
        = repair.repairFile({workspace.source.string(), workspace.destination.string()});
    if (read(workspace.source) != source)
        violated("the source changed");
    if (outcome.repaired)
        checkDeidentifiedCopy(source, read(workspace.destination));
    else if (fs::exists(workspace.destination))
        violated("a refused de-identification left a destination");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static Workspace workspace;
    const std::string source(reinterpret_cast<const char *>(data), size);
    write(workspace.source, source);
    repairOnce(source, workspace, RepairMode::usual);
    repairOnce(source, workspace, RepairMode::thorough);
    deidentifyOnce(source, workspace);
    return 0;
}
