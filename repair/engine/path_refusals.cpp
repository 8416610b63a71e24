#include "repair/engine/path_refusals.h"

#include "repair/platform/file_names.h"

namespace fs = std::filesystem;

namespace velmorant {

namespace {

// What a path names when that is not a regular file, as a reason.
std::string whatItIs(const fs::file_status &status)
{
    switch (status.type()) {
    case fs::file_type::directory:
        return "it is a folder";
    case fs::file_type::character:
        return "it is a character device";
    case fs::file_type::block:
        return "it is a block device";
    case fs::file_type::fifo:
        return "it is a FIFO";
    case fs::file_type::socket:
        return "it is a socket";
    default:
        return "";
    }
}

RepairFailure refusal(RepairStep step, std::string reason = {})
{
    return {step, {}, {}, std::move(reason)};
}

// A device, FIFO, socket or folder at the destination stays as it is; only
// a regular file or a link (the link itself) is replaced. A name the system
// refuses (one too long, say) is refused before a long copy, not after it.
RepairFailure destinationRefusal(const fs::path &destination, const fs::file_status &status,
                                 const std::error_code &error)
{
    if (namesDevice(destination))
        return refusal(RepairStep::destinationNotRegularFile, "it is a character device");
    if (status.type() == fs::file_type::none)
        return refusal(RepairStep::copy, "the destination cannot be reached: " + error.message());
    if (!fs::exists(status) || fs::is_regular_file(status) || fs::is_symlink(status))
        return {};
    return refusal(RepairStep::destinationNotRegularFile, whatItIs(status));
}

} // namespace

RepairFailure pathRefusal(const fs::path &source, const fs::path &destination)
{
    std::error_code error, destinationError;
    const fs::file_status there = fs::symlink_status(destination, destinationError);
    // Copying a file onto itself would truncate it; only a name that exists
    // can lead to the source.
    if (fs::exists(there) && fs::equivalent(source, destination, error))
        return refusal(RepairStep::sameFile);
    const fs::file_status status = fs::status(source, error);
    if (error)
        return refusal(RepairStep::copy, "the source cannot be read: " + error.message());
    if (!fs::is_regular_file(status))
        return refusal(RepairStep::sourceNotRegularFile, whatItIs(status));
    return destinationRefusal(destination, there, destinationError);
}

RepairFailure destinationRefusal(const fs::path &destination)
{
    std::error_code error;
    return destinationRefusal(destination, fs::symlink_status(destination, error), error);
}

} // namespace velmorant
