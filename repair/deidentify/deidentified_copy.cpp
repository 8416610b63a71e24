#include "repair/deidentify/deidentified_copy.h"

#include "edf/deidentify/annotation_redaction.h"
#include "edf/deidentify/deidentify.h"
#include "edf/format/edf_header.h"
#include "edf/format/edf_plus.h"
#include "edf/format/record_layout.h"
#include "edf/text/folded_text.h"
#include "repair/platform/file_names.h"
#include "repair/platform/positioned_io.h"
#include "repair/records/record_reader.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace velmorant {

namespace {

std::string systemReason(const char *otherwise)
{
    return errno != 0 ? std::strerror(errno) : otherwise;
}

class CopyClearing
{
public:
    CopyClearing(std::FILE *copy, RepairFailure &failure)
        : copy(copy), records(copy), failure(failure)
    { }

    bool writeAt(std::uintmax_t offset, const std::string &bytes)
    {
        errno = 0;
        if (velmorant::writeAt(copy, offset, bytes.data(), bytes.size()))
            return true;
        return fail(RepairStep::write, {}, systemReason("the write failed"));
    }

    bool readAt(std::uintmax_t offset, std::size_t size, std::string &bytes)
    {
        if (records.read(offset, size, bytes))
            return true;
        return fail(RepairStep::readAnnotations, {}, records.failure());
    }

    // Each annotation signal of each whole record, in file order; visit
    // returns false to stop.
    template<typename Visit>
    bool eachAnnotation(const std::string &header, std::uint32_t signals, std::uintmax_t size,
                        Visit visit)
    {
        const auto layout = recordLayout(header, signals, size);
        if (!layout)
            return true;
        const std::vector<AnnotationPlace> places = annotationPlaces(header, signals);
        std::string bytes;
        for (std::uintmax_t r = 0; r < layout->wholeRecords(); ++r)
            for (std::size_t p = 0; p < places.size(); ++p) {
                const std::uintmax_t offset
                    = layout->headerBytes + r * layout->recordBytes + places[p].offset;
                if (!readAt(offset, places[p].size, bytes) || !visit(r, offset, bytes, p == 0))
                    return false;
            }
        return true;
    }

    bool fail(RepairStep step, std::string field, std::string reason)
    {
        failure = RepairFailure{step, std::move(field), {}, std::move(reason)};
        return false;
    }

private:
    std::FILE *copy;
    RecordReader records;
    RepairFailure &failure;
};

std::string recordName(std::uintmax_t record)
{
    return "data record " + std::to_string(record + 1);
}

bool redactAnnotations(CopyClearing &clearing, const std::string &header, std::uint32_t signals,
                       std::uintmax_t size, const Redaction &redaction, Deidentification &result)
{
    return clearing.eachAnnotation(
        header, signals, size,
        [&](std::uintmax_t record, std::uintmax_t offset, std::string &bytes, bool first) {
            const RedactedRecord redacted = redactRecord(bytes, redaction, first);
            if (redacted.fault != TalFault::none)
                return clearing.fail(RepairStep::deidentify, recordName(record),
                                     "its annotations cannot be read, so they cannot be cleared: "
                                     "expected "
                                         + talExpectation(redacted.fault));
            result.textsChanged += redacted.textsChanged;
            return redacted.textsChanged == 0 || clearing.writeAt(offset, bytes);
        });
}

// The proof: what the copy now holds, read back from the file itself.
bool readBack(CopyClearing &clearing, const std::string &expectedHeader, std::uint32_t signals,
              std::uintmax_t size, const Identity &identity, const Redaction &redaction)
{
    std::string header;
    if (!clearing.readAt(0, expectedHeader.size(), header))
        return clearing.fail(RepairStep::identityLeft, "header", "it cannot be read back");
    const std::string left = identityLeftInHeader(header, identity);
    if (!left.empty() || header != expectedHeader)
        return clearing.fail(RepairStep::identityLeft, left.empty() ? "header" : left, {});
    return clearing.eachAnnotation(
        header, signals, size,
        [&](std::uintmax_t record, std::uintmax_t, std::string &bytes, bool first) {
            return !recordHoldsAny(bytes, redaction, first)
                || clearing.fail(RepairStep::identityLeft, recordName(record), {});
        });
}

bool nameInAny(const std::vector<std::string> &fileNames, const Identity &identity)
{
    Needles needles = identity.nameParts;
    for (const Needles *more : {&identity.birthdate, &identity.code})
        needles.insert(needles.end(), more->begin(), more->end());
    for (const std::string &name : fileNames)
        if (holdsAny(name, needles))
            return true;
    return false;
}

StartDateCleared startDateCleared(const std::string &header, bool keepDates)
{
    if (keepDates)
        return StartDateCleared::kept;
    return placeholderDate(header) ? StartDateCleared::placeholder : StartDateCleared::moved;
}

void keepOriginals(const std::string &sourceHeader, Deidentification &result)
{
    result.originalPatient = fieldText(sourceHeader.data(), FixedField::patient);
    result.originalRecording = fieldText(sourceHeader.data(), FixedField::recording);
    result.originalStartDate = fieldText(sourceHeader.data(), FixedField::startDate);
    result.originalStartTime = fieldText(sourceHeader.data(), FixedField::startTime);
}

} // namespace

bool deidentifyCopy(std::FILE *copy, const std::string &sourceHeader,
                    const std::string &repairedHeader, std::uint32_t signals,
                    std::uintmax_t copySize, const DeidentifyRequest &request,
                    const std::vector<std::string> &fileNames, Deidentification &result,
                    RepairFailure &failure)
{
    result = Deidentification{};
    CopyClearing clearing(copy, failure);
    const Identity identity
        = identityOf(fieldText(sourceHeader.data(), FixedField::patient), isEdfPlus(sourceHeader),
                     request.words, fieldText(sourceHeader.data(), FixedField::recording));
    const ClearedHeader cleared
        = clearedHeader(repairedHeader, request.days, identity, request.keepDates);
    if (!cleared.refusal.empty())
        return clearing.fail(RepairStep::deidentify, "start date", cleared.refusal);
    const Redaction redaction{identity.all(), !request.keepDates};
    if (!clearing.writeAt(0, cleared.header)
        || !redactAnnotations(clearing, cleared.header, signals, copySize, redaction, result))
        return false;
    // The proof reads the file afresh, never what the clearing read before it wrote.
    CopyClearing proof(copy, failure);
    if (!readBack(proof, cleared.header, signals, copySize, identity, redaction))
        return false;
    result.startDate = startDateCleared(repairedHeader, request.keepDates);
    result.daysMoved = result.startDate == StartDateCleared::moved ? request.days : 0;
    result.namesNobody = identity.namesNobody();
    result.identityInFileName = nameInAny(fileNames, identity);
    keepOriginals(sourceHeader, result);
    result.done = true;
    return true;
}

std::string fixedHeaderOf(const std::string &pathUtf8)
{
    try {
        const std::unique_ptr<std::FILE, decltype(&std::fclose)> in(
            openForReading(toFsPath(pathUtf8)), &std::fclose);
        std::string fixed(fixedHeaderSize, '\0');
        if (!in || std::fread(&fixed[0], 1, fixed.size(), in.get()) != fixed.size())
            return {};
        return fixed;
    } catch (const std::range_error &) {
        return {};
    }
}

} // namespace velmorant
