#pragma once

#include "repair/engine/header_repair.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

namespace velmorant {

// While a repair copies a file, one line that it draws over again and again:
// "file 2 of 5: rec.edf  37 %  412 MB/s". Drawn only on a terminal, once a
// copy has taken a tenth of a second and then at most ten times a second, so
// that scripts and logs see nothing of it.
class ProgressLine
{
public:
    // Draws on `terminal` only when shown, which the caller knows.
    ProgressLine(std::ostream &terminal, HeaderRepair &repair, std::size_t files, bool shown);
    ~ProgressLine();
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;

    void startFile(const std::string &path);
    // Before anything else is written: the line leaves nothing behind.
    void clear();

private:
    using Clock = std::chrono::steady_clock;

    bool copied(std::uintmax_t done, std::uintmax_t total);
    void draw(const std::string &text);

    std::ostream &terminal;
    HeaderRepair &repair;
    std::size_t files;
    std::size_t file = 0;
    std::string name;
    Clock::time_point fileStart;
    Clock::time_point lastDrawn;
    std::size_t drawnWidth = 0;
};

} // namespace velmorant
