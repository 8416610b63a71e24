#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velmorant {

// The one recorder whose files the usual repair exists for, and what it does
// its own way: it writes one of two dates where the version belongs, stores
// its record count multiplied by the first signal's samples per record, and
// lets each record last that fraction of a second.

bool isRecorderVersion(const std::string &version);

// The records a stored count stands for, rounded down as the repair has
// always divided it; samples at least 1.
std::uint32_t recorderRecords(std::uint32_t storedCount, std::uint32_t samples);

// The records a stored count stands for when it is exactly such a product,
// of at least one record; nothing when one sample per record multiplies nothing.
std::optional<std::uintmax_t> multipliedRecords(long long storedCount, std::uint32_t samples);

// Whether the record duration field holds one second divided by samples, cut
// or rounded to its decimals; a fraction that no decimals hold exactly fills
// the field.
bool isRecorderFraction(const std::string &durationField, std::uint32_t samples);

} // namespace velmorant
