#pragma once

#include <string>

namespace velmorant {

// One file of a run, both paths UTF-8 text.
struct RepairJob {
    std::string source;
    std::string destination;
};

} // namespace velmorant
