#pragma once

#include "edf/rules/transfer_damage.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace velmorant {

// The data records after the header, read or rewritten in bounded memory
// through a stream that stands at the end of the header. Only a file longer
// than its header says is read at all.

// What the data area shows of a transfer by text; the stream is left where
// it stood. False when a read fails.
bool readTransferDamage(std::FILE *file, const std::string &header, std::uintmax_t fileSize,
                        TransferDamage &damage);

// Rewrites the data area in place without the carriage returns a line feed
// conversion inserted; the stale bytes at the end are the caller's to cut
// off. removed: how many it left out. False when a read or write fails.
bool removeInsertedCarriageReturns(std::FILE *file, std::uintmax_t &removed);

} // namespace velmorant
