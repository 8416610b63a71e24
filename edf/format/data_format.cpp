#include "edf/format/data_format.h"

#include "edf/format/edf_header.h"
#include "edf/format/edf_plus.h"

namespace velmorant {

namespace {

const DataFormat edf{"EDF", 2, -32768, 32767, "EDF+", "EDF Annotations"};
const DataFormat bdf{"BDF", 3, -8388608, 8388607, "BDF+", "BDF Annotations"};

} // namespace

const DataFormat &dataFormat(const std::string &header)
{
    return isBdf(header) ? bdf : edf;
}

std::string formatName(const std::string &header)
{
    return std::string(dataFormat(header).name) + (isEdfPlus(header) ? "+" : "");
}

} // namespace velmorant
