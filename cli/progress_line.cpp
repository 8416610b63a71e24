#include "cli/progress_line.h"

#include "edf/wording/finding_text.h"

namespace velmorant {

namespace {

// Narrower than any terminal, so that the line never wraps and can be drawn over.
constexpr std::size_t widest = 79;
constexpr auto redrawAfter = std::chrono::milliseconds(100);

std::string fileName(const std::string &path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The end of a name, which tells files apart, cut where a UTF-8 character starts.
std::string fitted(const std::string &text, std::size_t width)
{
    if (text.size() <= width)
        return text;
    std::size_t start = text.size() - (width - 3);
    while (start < text.size() && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
        ++start;
    return "..." + text.substr(start);
}

} // namespace

ProgressLine::ProgressLine(std::ostream &terminal, HeaderRepair &repair, std::size_t files,
                           bool shown)
    : terminal(terminal), repair(repair), files(files)
{
    if (shown)
        repair.setCopyProgress(
            [this](std::uintmax_t done, std::uintmax_t total) { return copied(done, total); });
}

ProgressLine::~ProgressLine()
{
    clear();
    repair.setCopyProgress({});
}

void ProgressLine::startFile(const std::string &path)
{
    ++file;
    name = shownName(fileName(path));
    fileStart = lastDrawn = Clock::now();
}

void ProgressLine::clear()
{
    if (drawnWidth == 0)
        return;
    terminal << '\r' << std::string(drawnWidth, ' ') << '\r' << std::flush;
    drawnWidth = 0;
}

bool ProgressLine::copied(std::uintmax_t done, std::uintmax_t total)
{
    const Clock::time_point now = Clock::now();
    // The end is drawn too, so that a line that was shown never stops short of it.
    const bool finished = done == total && drawnWidth > 0;
    if (now - lastDrawn < redrawAfter && !finished)
        return true;
    lastDrawn = now;
    const double seconds = std::chrono::duration<double>(now - fileStart).count();
    const std::string figures = "  " + std::to_string(total > 0 ? done * 100 / total : 100) + " %  "
        + std::to_string(static_cast<long long>(done / 1e6 / seconds)) + " MB/s";
    const std::string counter
        = "file " + std::to_string(file) + " of " + std::to_string(files) + ": ";
    const std::size_t room = widest - std::min(widest, counter.size() + figures.size());
    draw(counter + fitted(name, std::max<std::size_t>(room, 4)) + figures);
    return true;
}

void ProgressLine::draw(const std::string &text)
{
    const std::size_t stale = drawnWidth > text.size() ? drawnWidth - text.size() : 0;
    terminal << '\r' << text << std::string(stale, ' ') << std::flush;
    drawnWidth = text.size() + stale;
}

} // namespace velmorant
