#pragma once

#include "repair/plan/shard.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace velmorant {

struct Options;

// Which of a run's files this process takes and which it leaves, so that a
// run can be split over many processes and resumed after a stop.
struct Selection {
    std::optional<Shard> shard;
    std::string filesFrom; // the list's path, "-" for standard input; empty without a list
    bool from0 = false; // the list's paths end with a NUL byte, not a line feed
    bool skipExisting = false;
};

// Takes arguments[i], and the value after it, where it is one of these
// options. error: what was wrong with its value.
bool takeSelectionOption(const std::vector<std::string> &arguments, std::size_t &i,
                         Selection &selection, std::string &error);

// Why the selection does not go with the command, or empty.
std::string selectionError(const Options &options);

} // namespace velmorant
