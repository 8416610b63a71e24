#pragma once

#include "edf/format/record_bytes.h"
#include "edf/rules/header_check.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velmorant {

// The thorough repair's part beyond the usual one: every header fault that
// the file itself settles, fixed in memory from the header and the file's
// size alone. Guessing is not repairing: a field changes only where the file
// shows what is right.
struct Settlement {
    std::uintmax_t keptSize = 0; // the header and the whole data records
    std::vector<Finding> unsettled; // the errors left; any one refuses the file
};

// header: the whole header, through the usual repair already (version "0",
// prefiltering and reserved blank, a recorder file's count not yet divided).
// recorder: the file's version was the recorder's. data: the data records
// as the copy will hold them, for the rules over EDF+ annotations; without
// it those rules are left out.
Settlement settleFromFile(std::string &header, std::uint32_t signalCount, std::uintmax_t fileSize,
                          bool recorder, RecordBytes *data = nullptr);

// Why the thorough repair cannot fix a finding, in a few words.
std::string whyUnsettled(const Finding &finding);

} // namespace velmorant
