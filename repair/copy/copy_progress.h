#pragma once

#include <cstdint>
#include <functional>

namespace velmorant {

// Told how far a copy has got, every few tens of MiB and when its last byte
// is copied. Returning false abandons the copy.
using CopyProgress = std::function<bool(std::uintmax_t copied, std::uintmax_t total)>;

} // namespace velmorant
