#pragma once

#include "edf/repair/header_review.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace velmorant {

// Whether the check also reads the data records of a file longer than its
// header says, for the signs of a transfer as text. A check after a repair
// leaves them: the header's findings already say that the size is at odds.
enum class DataReading { none, whereLonger };

// Reads one file's header and size, never writes, and checks them; of an
// EDF+ file also the annotations of the records `reading` names.
FileCheck checkFile(const std::string &pathUtf8, RecordReading reading = RecordReading::gaps,
                    DataReading data = DataReading::none);

// The header at the start of an open file, read where it lies without moving
// the stream: the fixed header, then as much of the signal header as the
// repair reads; shorter only where the file ends. False when a read fails
// (errno says why).
bool readHeaderAt(std::FILE *file, std::string &header);

// The check of a copy just written, before it is closed (see
// checkRepairedCopy), of `size` bytes. header: the bytes written at its
// start, where the caller has them; read from the file otherwise.
// headerFindings: those of that header at `size`, where already known.
FileCheck checkWrittenCopy(std::FILE *file, std::uintmax_t size, std::string header = {},
                           const std::vector<Finding> *headerFindings = nullptr);

} // namespace velmorant
